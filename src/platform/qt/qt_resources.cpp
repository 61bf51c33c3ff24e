#include "platform/qt/qt_resources.h"

#include <QByteArray>
#include <QFileInfo>
#include <QResource>
#include <QString>
#include <map>
#include <mutex>

#include "platform/win/resources.h"

namespace {

// Keeps every resource found (uncompressed where rcc compressed it) for the rest of the
// run, as a module's resources stay mapped.
class QtResourceProvider final : public ResourceProvider {
 public:
  const ResourceBlock* Find(const char* type, const char* name) override {
    const QString path =
        QStringLiteral(":/%1/%2").arg(QString::fromUtf8(type), QString::fromUtf8(name));
    std::lock_guard lock(mutex_);
    if (auto it = found_.find(path); it != found_.end()) return &it->second.block;
    if (!QFileInfo(path).isFile()) return nullptr;
    const QResource resource(path);
    if (!resource.isValid()) return nullptr;
    Entry& entry = found_[path];
    entry.bytes = resource.uncompressedData();
    entry.block = {entry.bytes.constData(), static_cast<DWORD>(entry.bytes.size())};
    return &entry.block;
  }

 private:
  struct Entry {
    QByteArray bytes;
    ResourceBlock block{};
  };
  std::mutex mutex_;
  std::map<QString, Entry> found_;
};

}  // namespace

ResourceProvider* QtResources() {
  static QtResourceProvider provider;
  return &provider;
}

void InstallQtResources() { SetResourceProvider(QtResources()); }
