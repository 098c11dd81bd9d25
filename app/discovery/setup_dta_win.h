// setup.dta of a data folder, read through the shared waiting open, and the version checks that
// judge it.
#pragma once

#include <string>

namespace lw {

// Values of the last setup.dta read and of the last failed check.
struct SetupState {
  std::string ProgramType;
  std::string CompanyTelephone;
  std::string CompanyVatNumber;
  std::string CompanyEmail;
};
extern SetupState Setup;

// Company name, or empty when the folder is blank or holds no readable setup.dta.
std::string GetCompanyName(const std::string& dataPath);
// Data version as text, or empty; sets Setup.ProgramType (cleared first).
std::string GetDataVersion(const std::string& dataPath);
// The company address, its non-empty lines joined by "^"; sets the telephone, VAT number and
// e-mail (cleared first).
std::string ReadCompanyDetails(const std::string& dataPath);

// Judges App.DataVersion and Setup.ProgramType; sets Sdo.SdoErrorText when it returns false.
bool IsDataVersionSupported();
// True when the installed SDO engine must be updated before use; shows its own messages.
bool CheckSdoVersion(const std::string& dataVersion);

}  // namespace lw
