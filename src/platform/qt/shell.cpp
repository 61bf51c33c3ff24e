#include "platform/qt/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
ShellExecuteHandler g_handler;

HINSTANCE Result(uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); }
constexpr uintptr_t kFileNotFound = 2;
constexpr uintptr_t kAccessDenied = 5;
constexpr uintptr_t kSuccess = 42;
constexpr uintptr_t kNoAssociation = 31;
}  // namespace

void SetShellExecuteHandler(ShellExecuteHandler handler) { g_handler = std::move(handler); }

HINSTANCE ShellExecuteA(HWND, const char* verb, const char* file, const char*, const char*, int) {
  const std::string path = file ? file : "";
  const std::string action = verb ? verb : "";
  // Only regular files: a named pipe or a device would hang the application opening it.
  const QFileInfo info(QString::fromStdString(path));
  if (info.exists() && !info.isFile()) return Result(kAccessDenied);
  if (g_handler) return Result(g_handler(action, path) ? kSuccess : kNoAssociation);
  if (!info.exists()) return Result(kFileNotFound);
  const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  return Result(opened ? kSuccess : kNoAssociation);
}
