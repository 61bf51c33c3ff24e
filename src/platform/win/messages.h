// A window message as a window's message handlers receive it.
#pragma once

#include "platform/win/types.h"

using WPARAM = UINT_PTR;
using LPARAM = int64_t;
using LRESULT = int64_t;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
