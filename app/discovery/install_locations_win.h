// Where the Sage installation that belongs to a data folder lives, what it is, and where it keeps
// its settings; and the data folder Sage used last.
#pragma once

#include <string>

#include "app/discovery/installation.h"

namespace lw {

// The SAGE.INI in use: the newer of the Windows folder's and the common application-data one
// (a tie goes to the Windows folder); empty when neither exists.
std::string GetSageIniPath();
// Sage's last-used data (ACCDATA) folder from SAGE.INI, normalised, or empty.
std::string GetLastDataPath();

// Fills Install for a data folder of the given data version and program type. Whatever cannot be
// found stays empty; nothing here shows a message.
void DiscoverInstallation(const std::string& dataPath, const std::string& dataVersion,
                          const std::string& programType);

// The normalised path with each component in the letter case stored on disk; the normalised path
// itself when a component does not exist.
std::string GetOnDiskCase(const std::string& path);
// Folder of the ODBC data source of a data version (above its ACCDATA), or empty.
std::string GetOdbcDataSourceFolder(const std::string& dataVersion);
// Edition, users and companies from <folder>\sage.usr (or the .usr file named) into Install.
void ReadSageUsr(const std::string& path);
// Full version and installed updates from Install.SetupFolder's Application.config.
void ReadApplicationConfig();
// The three flags from Install.SageSettingsFolder's SAGE.INI; returns UseDataPathForReports.
bool ReadSageIniSwitches();

}  // namespace lw
