// setup.dta of a data folder, read through the shared waiting open.
#pragma once

#include <string>

namespace lw {

// Values of the last setup.dta read, for the Parts that judge the data set.
struct SetupState {
  std::string ProgramType;
};
extern SetupState Setup;

// Company name, or empty when the folder is blank or holds no readable setup.dta.
std::string GetCompanyName(const std::string& dataPath);
// Data version as text, or empty; sets Setup.ProgramType (cleared first).
std::string GetDataVersion(const std::string& dataPath);

}  // namespace lw
