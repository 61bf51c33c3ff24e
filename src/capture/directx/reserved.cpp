#include "capture/directx/reserved.h"

namespace directx {

TReservedBinding<16> Reserved16;

void InitializeReservedModule() { Reserved16.Clear(); }

void FinalizeReservedModule() { Reserved16.Release(); }

}  // namespace directx
