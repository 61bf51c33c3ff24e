// The sixteen-entry binding: declared for a library this system never names, so it never
// loads. Module initialisation clears its variables; finalisation releases it.
#pragma once

#include "capture/directx/binding.h"

namespace directx {

extern TReservedBinding<16> Reserved16;

void InitializeReservedModule();
void FinalizeReservedModule();

}  // namespace directx
