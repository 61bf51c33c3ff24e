#include "rtl/persistent.h"

#include "rtl/sysutils.h"

namespace rtl {

namespace {
// The base Assign in progress on this thread. A subclass's AssignTo may hand the work back to
// the destination's Assign; meeting the same pair again means neither side accepts the other.
struct AssignPair {
  const TPersistent* dest;
  const TPersistent* source;
};
thread_local AssignPair g_assigning{nullptr, nullptr};
}  // namespace

void TPersistent::Assign(TPersistent* Source) {
  if (!Source || (g_assigning.dest == this && g_assigning.source == Source)) AssignError(Source);
  const AssignPair outer = g_assigning;
  g_assigning = {this, Source};
  try {
    Source->AssignTo(this);
  } catch (...) {
    g_assigning = outer;
    throw;
  }
  g_assigning = outer;
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::AssignError(const TPersistent* Source) const {
  throw EConvertError("Cannot assign a " + (Source ? Source->ClassName() : std::string("nil")) +
                      " to a " + ClassName());
}

}  // namespace rtl
