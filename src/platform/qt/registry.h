// Read-only registry over QSettings. A key "\Software\<Vendor>\<Sub>..." of HKEY_LOCAL_MACHINE
// is the system-scope settings file of <Vendor> (on Linux /etc/xdg/<Vendor>.conf), with the
// rest of the path as a group; HKEY_CURRENT_USER is the user-scope file of the same name.
#pragma once

#include <memory>
#include <string>

class QSettings;

enum class HKEY { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };
inline constexpr HKEY HKEY_CURRENT_USER = HKEY::HKEY_CURRENT_USER;
inline constexpr HKEY HKEY_LOCAL_MACHINE = HKEY::HKEY_LOCAL_MACHINE;

class TRegistry {
 public:
  TRegistry();
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey = HKEY_CURRENT_USER;

  // True when the key exists; it then stays open for reading.
  bool OpenKeyReadOnly(const std::string& key);
  // The string value of the open key; empty when absent or when no key is open.
  std::string ReadString(const std::string& name) const;
  bool ValueExists(const std::string& name) const;
  void CloseKey();

 private:
  std::unique_ptr<QSettings> settings_;
};
