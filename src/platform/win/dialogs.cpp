#include "platform/win/dialogs.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<DialogService*> g_service{nullptr};
}

DialogService* SetDialogService(DialogService* service) { return g_service.exchange(service); }
DialogService* GetDialogService() { return g_service.load(); }

void ShowMessage(const std::string& text) {
  if (DialogService* s = g_service.load()) {
    s->ShowMessage(text);
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

bool AskYesNo(const std::string& caption, const std::string& text) {
  DialogService* s = g_service.load();
  return s ? s->AskYesNo(caption, text) : false;
}

bool TOpenDialog::Execute() {
  DialogService* s = g_service.load();
  return s ? s->ExecuteOpen(*this) : false;
}

bool TSaveDialog::Execute() {
  DialogService* s = g_service.load();
  return s ? s->ExecuteSave(*this) : false;
}
