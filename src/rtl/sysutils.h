// The run-time's exceptions: one base holding the message text, and the few kinds the capture
// classes raise. Everything of the run-time library lives in namespace rtl, so its names never
// meet the engine's own file stream and assertion error in one translation unit.
#pragma once

#include <exception>
#include <string>

namespace rtl {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failed Assert; "Assertion failed" when the assertion gave no message of its own.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// "List index out of bounds (<index>)"
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// "Cannot assign a <source class> to a <destination class>"
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Raises EAssertionFailed with Message (or the default text) unless Condition holds.
void Assert(bool Condition, const std::string& Message = {});

// Raises EListError for Index.
[[noreturn]] void ListIndexError(long long Index);

}  // namespace rtl
