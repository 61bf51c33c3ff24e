#include "platform/qt/folders.h"

#include <QDir>
#include <QStandardPaths>

std::string GetWindowsSpecialDir(int csidl) {
  if (csidl != CSIDL_PERSONAL) return {};
  QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (path.isEmpty()) return {};
  QDir().mkpath(path);
  if (!path.endsWith('/')) path += '/';
  return path.toStdString();
}
