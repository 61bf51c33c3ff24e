#include "rtl/sysutils.h"

namespace rtl {

void Assert(bool Condition, const std::string& Message) {
  if (!Condition) throw EAssertionFailed(Message.empty() ? "Assertion failed" : Message);
}

void ListIndexError(long long Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace rtl
