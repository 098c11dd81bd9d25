// Gathering and writing the diagnostic report (diagnostic_report.h makes its text).
#pragma once

#include <string>

#include "app/shell/diagnostic_report.h"
#include "app/shell/startup_rules.h"

namespace lw {

// The analysis of a data folder that the main window and the command-line report share: the data
// version and program type, the installation, the user list, the record counts and where the data
// lies. Sets App.DataVersion, Install, Setup and DataFiles as it goes.
DataFolderFacts AnalyseDataFolder(const std::string& path);

// The report's first lines: the time now, this program's version and the update component's.
void StampReport(DiagnosticFacts& facts);

// The report of a data path without a window: the same analysis and workstation checks the window
// runs. It never logs in and never writes a setting.
DiagnosticFacts GatherDiagnostics(const std::string& dataPath);

// Writes the text to the file, replacing it; false with the reason when it cannot.
bool WriteReportFile(const std::string& path, const std::string& text, std::string& error);

// Exit codes of "-report FILE [DATAPATH]".
enum class ReportExit : int {
  Written = 0,       // a complete report
  Usage = 1,         // the command line names no file: nothing written
  NotWritten = 2,    // the file could not be written
  NoDataFolder = 3,  // the data path is no Sage data folder: the report says so
};
ReportExit RunReportCommand(const ReportCommand& command);

}  // namespace lw
