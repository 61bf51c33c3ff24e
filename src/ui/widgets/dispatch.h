// Every handler of the windows that Qt's event delivery calls runs through Dispatch: an
// exception it raises is shown by Application.HandleException and goes no further, since none
// may pass through Qt's event loop (nor through a signal's emission).
#pragma once

#include <utility>

#include "ui/widgets/application.h"

template <class Handler>
void Dispatch(const void* sender, Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    Application.HandleException(sender);
  }
}

// A slot for a signal connection that runs handler through Dispatch.
template <class Handler>
auto Guarded(const void* sender, Handler handler) {
  return [sender, handler = std::move(handler)]() { Dispatch(sender, handler); };
}
