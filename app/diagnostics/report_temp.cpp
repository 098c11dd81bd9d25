#include "app/diagnostics/report_temp.h"

#include <cctype>

#include "app/tools/colours.h"
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

bool ReportTempView::NeedsFix() const { return colour == kWarningColour; }

ReportTempView ReportTempViewOf(const ReportTempFacts& facts) {
  auto view = [&](ReportTempState state, const std::string& path, uint32_t colour, const std::string& tip) {
    return ReportTempView{state, ReportTempCaption(facts.version, state), path, colour, tip};
  };
  if (!ReportTempApplies(facts.version)) return view(ReportTempState::Inactive, "", kNormalColour, "");
  const std::string proposal = ReportTempProposal(facts.programFolder, facts.version);
  // A value the store cannot read (another type, a key refused) is treated as not set up, as the
  // fix would write it afresh; the frame and the box's tooltip say why.
  if (!facts.readError.empty()) return view(ReportTempState::Unreadable, proposal, kWarningColour, facts.readError);
  if (facts.stored.empty()) return view(ReportTempState::NotSetUp, proposal, kWarningColour, "");
  if (facts.folderExists) return view(ReportTempState::Present, facts.stored, kGoodColour, "");
  return view(ReportTempState::Missing, facts.stored, kWarningColour, "");
}

std::string ReportTempProposal(const std::string& programFolder, const std::string& version) {
  if (!programFolder.empty() && UCase(programFolder).find("PROGRAM FILES") == std::string::npos)
    return NormaliseFolder(programFolder) + "Rep_Temp";
  return "C:\\Sage\\V" + version + "_Temp";
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool StartsWithDriveRoot(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         IsSeparator(path[2]);
}

// "C:\..." or "\\server\share...", but not the device namespaces "\\.\" and "\\?\".
bool IsFullPath(const std::string& path) {
  if (StartsWithDriveRoot(path)) return true;
  if (path.size() < 5 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
  const size_t server = 2, serverEnd = path.find_first_of("\\/", server);
  if (serverEnd == std::string::npos || serverEnd == server) return false;
  const std::string name = path.substr(server, serverEnd - server);
  if (name == "." || name == "?") return false;
  const size_t shareEnd = path.find_first_of("\\/", serverEnd + 1);
  return (shareEnd == std::string::npos ? path.size() : shareEnd) > serverEnd + 1;
}

}  // namespace

std::string ReportTempFixPath(const std::string& boxText) {
  std::string path = Trim(boxText);
  const bool driveRoot = path.size() == 3 && StartsWithDriveRoot(path);
  if (!path.empty() && path.back() == '\\' && !driveRoot) path.pop_back();
  return path;
}

std::string ReportTempPathRefusal(const std::string& path) {
  if (path.empty()) return "No Report Temp Folder was entered, so none was set.";
  if (IsFullPath(path)) return {};
  return "The Report Temp Folder was not set to " + path +
         "\r\n\r\nIt must be a full path: a drive letter with a backslash (C:\\Sage\\Temp) or a network share "
         "(\\\\Server\\Share\\Temp). A relative path would be looked for wherever Sage happens to be working.";
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
