#include "component/local_machine_win.h"

#include <oleauto.h>

#include <algorithm>
#include <vector>

namespace updara {
namespace {

// Text from a call that fills a buffer and answers the length it needed or wrote.
template <typename Call>
std::string BufferText(Call&& call) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

}  // namespace

std::string SystemMacros::HostExecutable() const {
  // GetModuleFileName answers the buffer's size when it had to cut the name.
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string SystemMacros::CurrentDirectory() const {
  return BufferText([](char* b, DWORD n) { return GetCurrentDirectoryA(n, b); });
}
std::string SystemMacros::WindowsFolder() const {
  return BufferText([](char* b, DWORD n) { return GetWindowsDirectoryA(b, n); });
}
std::string SystemMacros::SystemFolder() const {
  return BufferText([](char* b, DWORD n) { return GetSystemDirectoryA(b, n); });
}

std::optional<std::string> SystemMacros::UserShellFolder(std::string_view name) const {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return std::nullopt;
  const std::string value(name);
  DWORD type = 0, size = 0;
  std::optional<std::string> out;
  if (RegQueryValueExA(key, value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::string text(size, '\0');
    if (RegQueryValueExA(key, value.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) ==
        ERROR_SUCCESS) {
      text.resize(std::min<size_t>(size, text.size()));
      while (!text.empty() && text.back() == '\0') text.pop_back();
      out = std::move(text);
    }
  }
  RegCloseKey(key);
  return out;
}

std::optional<std::string> SystemMacros::Environment(std::string_view name) const {
  const std::string variable(name);
  if (variable.empty()) return std::nullopt;
  SetLastError(ERROR_SUCCESS);
  const DWORD needed = GetEnvironmentVariableA(variable.c_str(), nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::string value(needed, '\0');
  const DWORD n = GetEnvironmentVariableA(variable.c_str(), value.data(), needed);
  value.resize(n < needed ? n : 0);
  return value;
}

std::string SystemMachine::ModulePath(std::string_view name) {
  const std::string file(name);
  HMODULE module = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, file.c_str(), &module) && module) {
    return BufferText([module](char* b, DWORD n) { return GetModuleFileNameA(module, b, n); });
  }
  // Found by the library search, mapped without its entry point or imports: the name comes from
  // the server, and nothing of a file it names may run.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  module = LoadLibraryExA(file.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  SetThreadErrorMode(oldMode, nullptr);
  if (!module) return {};
  std::string path = BufferText([module](char* b, DWORD n) { return GetModuleFileNameA(module, b, n); });
  FreeLibrary(module);
  return path;
}

std::string SystemMachine::FileVersionText(std::string_view file) {
  const std::string name(file);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(name.c_str(), &handle);
  if (size == 0) return {};
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(name.c_str(), 0, size, data.data())) return {};
  struct Translation {
    WORD language, codePage;
  }* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation))
    return {};
  char query[64];
  wsprintfA(query, "\\StringFileInfo\\%04x%04x\\FileVersion", translations[0].language, translations[0].codePage);
  char* text = nullptr;
  if (!VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&text), &length) || !text || length == 0) return {};
  return std::string(text, strnlen(text, length));
}

std::string SystemMachine::CurrentDirectory() { return SystemMacros().CurrentDirectory(); }

LocalFileFacts SystemMachine::Inspect(std::string_view path) {
  LocalFileFacts facts;
  const std::string file(path);
  HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return facts;
  facts.opens = true;
  FILETIME created{}, written{};
  if (GetFileTime(h, &created, nullptr, &written)) {
    facts.created = LocalDateOf(created);
    facts.written = LocalDateOf(written);
  }
  CloseHandle(h);
  return facts;
}

std::optional<double> LocalDateOf(const FILETIME& utc) {
  SYSTEMTIME universal{}, local{};
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return std::nullopt;
  return AutomationDate(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

ULONGLONG UtcFileTimeOf(double localDate) {
  SYSTEMTIME local{}, universal{};
  FILETIME time{};
  if (localDate == 0 || !VariantTimeToSystemTime(localDate, &local) ||
      !TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) || !SystemTimeToFileTime(&universal, &time))
    return 0;
  return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace updara
