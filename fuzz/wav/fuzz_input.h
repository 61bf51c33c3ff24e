// Hands the fuzzer's input to the code under test as a WAVE resource of the program, so that
// it is read from memory through the same path as a file: CWaveFile finds no disk file of
// that name, copies the resource and opens a memory file over the copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win/dialogs.h"
#include "platform/win/resources.h"

namespace fuzz {

// No disk file has this name.
inline constexpr const char* kInputName = "\x01lumatap-fuzz-input";

class InputResource final : public ResourceProvider {
 public:
  void Set(const uint8_t* data, size_t size) { block_ = {data, static_cast<DWORD>(size)}; }
  const ResourceBlock* Find(const char* type, const char* name) override {
    return std::string(type) == "WAVE" && std::string(name) == kInputName ? &block_ : nullptr;
  }

 private:
  ResourceBlock block_{};
};

// Messages of the import are expected; they go nowhere.
class SilentDialogs final : public DialogService {
 public:
  void ShowMessage(const std::string&) override {}
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  bool ExecuteOpen(TOpenDialog&) override { return false; }
  bool ExecuteSave(TSaveDialog&) override { return false; }
};

inline InputResource& Input() {
  static InputResource input;
  static const bool installed = (SetResourceProvider(&input), true);
  (void)installed;
  return input;
}

// Stops the run with a crash report when an invariant of the reader or the import breaks.
inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace fuzz
