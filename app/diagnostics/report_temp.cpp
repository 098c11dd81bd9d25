#include "app/diagnostics/report_temp.h"

#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

std::string ReportTempSection(const std::string& version) { return "ODBC.INI\\SageLine50v" + version; }

bool ReportTempApplies(const std::string& version) { return Val(version) > 6; }

std::string ReportTempCaption(const std::string& version, ReportTempState state) {
  const std::string base = "Report Temp Folder";
  switch (state) {
    case ReportTempState::Inactive:
      return base;
    case ReportTempState::Present:
      return base + " v" + version;
    case ReportTempState::Missing:
      return base + " v" + version + " (Path Not Found)";
    case ReportTempState::NotSetUp:
      return base + " v" + version + " (Path Not Setup)";
    case ReportTempState::Unreadable:
      return base + " v" + version + " (Path Unreadable)";
  }
  return base;
}

std::string ReportTempProposal(const std::string& programFolder, const std::string& version) {
  if (!programFolder.empty() && UCase(programFolder).find("PROGRAM FILES") == std::string::npos)
    return NormaliseFolder(programFolder) + "Rep_Temp";
  return "C:\\Sage\\V" + version + "_Temp";
}

std::string ReportTempFixPath(const std::string& boxText) {
  std::string path = Trim(boxText);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string ReportTempSetMessage(const std::string& path) {
  return "Sage Reporting Temporary Files Folder set to:\r\n" + path +
         "\r\n\r\nNow Please Ensure That:\r\n"
         "1. This folder has been excluded from On Access Anti Virus scanning.\r\n"
         "2. Windows Users have full Access rights to this folder.";
}

std::string ReportTempWriteErrorMessage(const std::string& path, const std::string& version) {
  return "Failed to write " + path + " to\r\nHKLM\\SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v" + version + kTempPathValue;
}

}  // namespace lw
