#include "app/state/settings_win.h"

#include <windows.h>

#include <vector>

#include "app/tools/text.h"
#include "common/product.h"
#include "common/runtime_error.h"

namespace lw {

namespace {

constexpr uint32_t kErrAppNameEmpty = 0x800403e8;
constexpr uint32_t kErrSectionEmpty = 0x800403e9;
constexpr uint32_t kErrKeyEmpty = 0x800403ea;
constexpr uint32_t kErrRegistryBase = 0x800407d0;

const std::string kUserStoreRoot = "Software\\VB and VBA Program Settings\\";

// Closes the key on every way out, so errors raised after opening still leave nothing open.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

struct MachinePath {
  std::string subKey;
  std::string valueName;  // empty: the key's unnamed value
};

MachinePath CheckedPath(const char* root, const std::string& appName, const std::string& section,
                        const std::string& key) {
  std::string a = Trim(appName), s = Trim(section), k = Trim(key);
  if (a.empty()) throw RuntimeError(kErrAppNameEmpty, "AppName may not be empty");
  if (s.empty()) throw RuntimeError(kErrSectionEmpty, "Section may not be empty");
  if (k.empty()) throw RuntimeError(kErrKeyEmpty, "Key may not be empty");
  return {std::string(root) + a + "\\" + s, EqualsNoCase(k, "(default)") ? std::string() : k};
}

// A REG_SZ value's text. Stored lengths may or may not count a terminating NUL (the machine store
// writes none), so only a real NUL at the end is dropped.
bool QueryString(HKEY key, const std::string& name, DWORD& type, std::string& out) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return true;
  std::vector<char> buf(size_t(size) + 1, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) !=
      ERROR_SUCCESS)
    return false;
  out.assign(buf.data(), std::min<size_t>(got, size));
  if (!out.empty() && out.back() == '\0') out.pop_back();
  if (size_t nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
  return true;
}

std::string UserStoreKey(const std::string& appName, const std::string& section) {
  return kUserStoreRoot + appName + "\\" + section;
}

}  // namespace

std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
  RegKey k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, UserStoreKey(appName, section).c_str(), 0, KEY_READ, k.Out()) !=
      ERROR_SUCCESS)
    return defaultValue;
  DWORD type = 0;
  std::string value;
  if (!QueryString(k.Get(), key, type, value) || type != REG_SZ) return defaultValue;
  return value;
}

void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& value) {
  RegKey k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, UserStoreKey(appName, section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, k.Out(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(k.Get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD(value.size() + 1));
}

namespace {

// One layer of the store; the sentinel and an unreadable machine value both count as missing.
bool ReadUser(const std::string& section, const std::string& key, std::string& out) {
  out = GetSetting(kCompanyName, section, key, kSettingNotFound);
  return out != kSettingNotFound;
}

bool ReadMachine(const std::string& section, const std::string& key, std::string& out) {
  try {
    out = ReadMachineString(kCompanyName, section, key, kSettingNotFound);
  } catch (const RuntimeError&) {
    return false;
  }
  return out != kSettingNotFound;
}

}  // namespace

std::string GetAppSetting(const std::string& key, const std::string& defaultValue) {
  std::string value;
  if (ReadUser(kAppTitle, key, value)) return value;
  if (!ReadMachine(kAppTitle, key, value)) {
    if (!ReadUser(kGlobalSection, key, value)) {
      if (!ReadMachine(kGlobalSection, key, value)) return defaultValue;
      SaveSetting(kCompanyName, kGlobalSection, key, value);
    }
  }
  SaveSetting(kCompanyName, kAppTitle, key, value);
  return value;
}

std::string GetGlobalSetting(const std::string& key, const std::string& defaultValue) {
  std::string value;
  if (ReadUser(kGlobalSection, key, value)) return value;
  if (!ReadMachine(kGlobalSection, key, value)) return defaultValue;
  SaveSetting(kCompanyName, kGlobalSection, key, value);
  return value;
}

void SaveUserSetting(const std::string& key, const std::string& value) {
  SaveSetting(kCompanyName, kAppTitle, key, value);
}

void SaveAppSetting(const std::string& key, const std::string& value) {
  SaveSetting(kCompanyName, kAppTitle, key, value);
  WriteMachineString(kCompanyName, kAppTitle, key, value);
}

void SaveGlobalSetting(const std::string& key, const std::string& value) {
  SaveSetting(kCompanyName, kGlobalSection, key, value);
  WriteMachineString(kCompanyName, kGlobalSection, key, value);
}

std::string ReadMachineString(const std::string& appName, const std::string& section, const std::string& key,
                              const std::string& defaultValue) {
  MachinePath path = CheckedPath("SOFTWARE\\", appName, section, key);
  RegKey k;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.subKey.c_str(), 0, KEY_READ, k.Out());
  if (rc == ERROR_FILE_NOT_FOUND) return defaultValue;
  if (rc != ERROR_SUCCESS) throw RuntimeError(kErrRegistryBase + uint32_t(rc), "Could not open registry section");
  DWORD type = 0;
  std::string value;
  if (!QueryString(k.Get(), path.valueName, type, value)) return defaultValue;
  if (type != REG_SZ) throw RuntimeError(kErrRegistryBase + type, "Registry data not a string");
  return value;
}

void WriteMachineString(const std::string& appName, const std::string& section, const std::string& key,
                        const std::string& value) {
  MachinePath path = CheckedPath("SOFTWARE\\", appName, section, key);
  RegKey k;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Out(),
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExA(k.Get(), path.valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                 DWORD(value.size()));
}

uint32_t ReadSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                         uint32_t defaultValue) {
  MachinePath path = CheckedPath("SYSTEM\\", appName, section, key);
  RegKey k;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.subKey.c_str(), 0, KEY_READ, k.Out());
  if (rc == ERROR_FILE_NOT_FOUND) return defaultValue;
  if (rc != ERROR_SUCCESS) throw RuntimeError(kErrRegistryBase + uint32_t(rc), "Could not open registry section");
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(k.Get(), path.valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return defaultValue;
  if (type != REG_DWORD) throw RuntimeError(kErrRegistryBase + type, "Registry data not a DWORD");
  size = sizeof value;
  if (RegQueryValueExA(k.Get(), path.valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    return defaultValue;
  return value;
}

void WriteSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                      uint32_t value) {
  MachinePath path = CheckedPath("SYSTEM\\", appName, section, key);
  RegKey k;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            k.Out(), nullptr);
  if (rc != ERROR_SUCCESS)
    throw RuntimeError(kErrRegistryBase + uint32_t(rc), "Could not open/create registry section");
  DWORD v = value;
  rc = RegSetValueExA(k.Get(), path.valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  if (rc != ERROR_SUCCESS) throw RuntimeError(kErrRegistryBase + uint32_t(rc), "Could not set key value");
}

std::string GetLocaleString(unsigned item) {
  char buf[256] = {};
  int n = GetLocaleInfoA(GetUserDefaultLCID(), item, buf, sizeof buf);
  if (n <= 0) return {};
  return Trim(std::string(buf, strnlen(buf, sizeof buf)));
}

}  // namespace lw
