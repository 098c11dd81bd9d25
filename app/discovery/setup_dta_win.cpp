#include "app/discovery/setup_dta_win.h"

#include "app/discovery/setup_dta.h"
#include "app/discovery/version_rules.h"
#include "app/sdo/sdo_checks_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "common/product.h"

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

std::string ReadCompanyDetails(const std::string& dataPath) {
  CompanyDetails d = WithSetupDta(dataPath, [](ByteSource& s) { return ReadSetupCompanyDetails(s); });
  Setup.CompanyTelephone = d.telephone;
  Setup.CompanyVatNumber = d.vatNumber;
  Setup.CompanyEmail = d.email;
  return d.address;
}

bool IsDataVersionSupported() {
  std::string why;
  if (JudgeDataVersion(App.DataVersion, Setup.ProgramType, kVersionMajor, why)) return true;
  Sdo.SdoErrorText = why;
  return false;
}

bool CheckSdoVersion(const std::string& dataVersion) {
  SdoVersionVerdict verdict = JudgeSdoVersion(dataVersion, IsInstant(Setup.ProgramType), GetSdoDllVersion(dataVersion));
  if (verdict.showMessage) ShowMessage(verdict.text, verdict.style, verdict.title);
  return verdict.mustUpdate;
}

}  // namespace lw
