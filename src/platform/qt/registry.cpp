#include "platform/qt/registry.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  CloseKey();
  QStringList parts = QString::fromStdString(key).split('\\', Qt::SkipEmptyParts);
  if (parts.size() < 2 || parts[0].compare("Software", Qt::CaseInsensitive) != 0) return false;
  const QSettings::Scope scope =
      RootKey == HKEY_LOCAL_MACHINE ? QSettings::SystemScope : QSettings::UserScope;
  auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, scope, parts[1], QString());
  if (!QFileInfo::exists(settings->fileName()) || settings->status() != QSettings::NoError)
    return false;
  for (qsizetype i = 2; i < parts.size(); ++i) {
    if (!settings->childGroups().contains(parts[i])) {
      while (!settings->group().isEmpty()) settings->endGroup();
      return false;
    }
    settings->beginGroup(parts[i]);
  }
  settings_ = std::move(settings);
  return true;
}

std::string TRegistry::ReadString(const std::string& name) const {
  if (!settings_) return {};
  return settings_->value(QString::fromStdString(name)).toString().toStdString();
}

bool TRegistry::ValueExists(const std::string& name) const {
  return settings_ && settings_->contains(QString::fromStdString(name));
}

void TRegistry::CloseKey() { settings_.reset(); }
