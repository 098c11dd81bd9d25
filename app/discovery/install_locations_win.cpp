#include "app/discovery/install_locations_win.h"

#include <windows.h>

#include <vector>

#include "app/discovery/sage_ini.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"

namespace lw {

namespace {
ULONGLONG ModificationTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return 0;
  return (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}
}  // namespace

std::string GetSageIniPath() {
  std::string inWindows = NormaliseFolder(GetWindowsFolder()) + "SAGE.INI";
  std::string inAppData = NormaliseFolder(GetSpecialFolder("COMMON_APPDATA")) + "Sage\\Accounts\\SAGE.INI";
  ULONGLONG a = ModificationTime(inWindows), b = ModificationTime(inAppData);
  if (b > a) return inAppData;
  return a != 0 ? inWindows : std::string();
}

std::string GetLastDataPath() {
  std::string ini = GetSageIniPath();
  SharedFile file;
  if (ini.empty() || !FileExists(ini) || !OpenFileInput(ini, file)) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Length()));
  SharedFileSource source(file);
  bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
  return LastDataPathFromSageIni(std::string(bytes.begin(), bytes.end()));
}

}  // namespace lw
