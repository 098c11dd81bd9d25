#include "app/discovery/setup_dta_win.h"

#include "app/discovery/setup_dta.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"

namespace lw {

SetupState Setup;

namespace {
template <typename Reader>
auto WithSetupDta(const std::string& dataPath, Reader read) -> decltype(read(std::declval<ByteSource&>())) {
  std::string folder = NormaliseFolder(dataPath);
  if (folder.empty()) return {};
  std::string path = folder + "setup.dta";
  SharedFile file;
  if (!FileExists(path) || !OpenFileBinaryRead(path, file)) return {};
  SharedFileSource source(file);
  return read(source);
}
}  // namespace

std::string GetCompanyName(const std::string& dataPath) {
  return WithSetupDta(dataPath, [](ByteSource& s) { return ReadSetupCompanyName(s); });
}

std::string GetDataVersion(const std::string& dataPath) {
  Setup.ProgramType.clear();
  SetupDataVersion v = WithSetupDta(dataPath, [](ByteSource& s) { return ReadSetupDataVersion(s); });
  Setup.ProgramType = v.programType;
  return v.dataVersion;
}

}  // namespace lw
