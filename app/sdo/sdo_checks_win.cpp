#include "app/sdo/sdo_checks_win.h"

#include <windows.h>

#include <vector>

#include "app/sdo/sdo_engine.h"
#include "app/tools/files_win.h"

namespace lw {

std::string SdoDllPath(const std::string& dataVersion) {
  return GetSystemFolder() + "\\" + SdoEngineFileName(dataVersion);
}

std::string GetSdoDllVersion(const std::string& dataVersion) {
  std::string path = SdoDllPath(dataVersion);
  return FileExists(path) ? GetFileVersion(path) : std::string();
}

std::string GetProgramFolderFromClsid(const std::string& dataVersion, const std::string& programType) {
  std::string clsid = ProgramClassId(dataVersion, programType);
  if (clsid.empty()) return {};
  HKEY key = nullptr;
  constexpr REGSAM kQueryAndEnumerate = 0x20019;  // KEY_READ
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ("CLSID\\" + clsid + "\\InprocServer32").c_str(), 0, kQueryAndEnumerate,
                    &key) != ERROR_SUCCESS)
    return {};
  std::string value;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ &&
      size >= 1) {
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
      value.assign(data.data(), size);
      if (!value.empty() && value.back() == '\0') value.pop_back();
    }
  }
  RegCloseKey(key);
  return FolderOfServerPath(value);
}

}  // namespace lw
