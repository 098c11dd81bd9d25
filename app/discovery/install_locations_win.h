// Where the Sage installation keeps its settings, and the data folder Sage used last.
#pragma once

#include <string>

namespace lw {

// The SAGE.INI in use: the newer of the Windows folder's and the common application-data one
// (a tie goes to the Windows folder); empty when neither exists.
std::string GetSageIniPath();
// Sage's last-used data (ACCDATA) folder from SAGE.INI, normalised, or empty.
std::string GetLastDataPath();

}  // namespace lw
