#include "platform/win/application.h"

#include <atomic>
#include <cstdio>
#include <exception>

#include "platform/win/dialogs.h"

TApplication Application;

namespace {
std::atomic<TMessageProcessor> g_processor{nullptr};
}

TMessageProcessor SetApplicationMessageProcessor(TMessageProcessor processor) {
  return g_processor.exchange(processor);
}

void TApplication::ProcessMessages() {
  if (TMessageProcessor processor = g_processor.load()) processor();
}

void TApplication::HandleException(const void*) {
  const std::exception_ptr current = std::current_exception();
  if (!current) return;
  std::string text;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown exception.";
  }
  // The handler of last resort: a dialog service that fails itself is reported on stderr.
  try {
    ShowMessage(text);
  } catch (...) {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}
