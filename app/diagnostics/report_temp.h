// The report temporary folder: the folder the installed Sage 50 version's reporting writes its
// temporary files to, named by "TempPathname" of its ODBC data source
// (HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBC.INI\SageLine50v<version>). The texts and rules of the
// main window's "Report Temp Folder" frame; the window reads, creates and writes.
#pragma once

#include <cstdint>
#include <string>

namespace lw {

inline constexpr const char* kOdbcApp = "ODBC";
inline constexpr const char* kTempPathValue = "TempPathname";

// "ODBC.INI\SageLine50v" + version: the section under SOFTWARE\ODBC.
std::string ReportTempSection(const std::string& version);
// Only Sage 50 versions above 6 have the folder; a version without a leading number counts as 0.
bool ReportTempApplies(const std::string& version);

enum class ReportTempState {
  Inactive,    // version 6 or lower, or no data path
  Present,     // set, and the folder exists
  Missing,     // set, but the folder does not exist
  NotSetUp,    // not set
  Unreadable,  // the value or its key cannot be read (another type, access refused)
};
std::string ReportTempCaption(const std::string& version, ReportTempState state);

// What the registry and the disk say of the folder of a version.
struct ReportTempFacts {
  std::string version;       // "0" or empty: no data folder
  std::string programFolder;  // where the proposal goes when none is set
  std::string stored;         // "TempPathname" as read
  std::string readError;      // why it could not be read, or empty
  bool folderExists = false;  // the stored folder exists
};
// The frame as the window shows it: its caption, the box's text, colour and tooltip, and whether
// the box is in use; the fix is offered while the box is magenta.
struct ReportTempView {
  ReportTempState state = ReportTempState::Inactive;
  std::string caption;
  std::string path;
  uint32_t colour = 0;
  std::string tip;
  bool NeedsFix() const;
  bool Active() const { return state != ReportTempState::Inactive; }
  bool operator==(const ReportTempView&) const = default;
};
ReportTempView ReportTempViewOf(const ReportTempFacts& facts);

// The folder offered when none is set: beside the program, unless that lies under Program Files
// (or is unknown), where users cannot write.
std::string ReportTempProposal(const std::string& programFolder, const std::string& version);

// The path the fix creates and stores: trimmed, and without one trailing backslash unless that is
// the backslash of a drive's root ("C:\" is the root, "C:" the current folder of drive C).
std::string ReportTempFixPath(const std::string& boxText);
// Why the fix refuses a path, naming it, or empty when it may create and store it. Only a full path
// will do: a drive letter with a backslash, or a network share (\\server\share). A relative path
// would be resolved against whatever folder the accounting program happens to be in.
std::string ReportTempPathRefusal(const std::string& path);
inline constexpr const char* kReportTempRefusalTitle = "Report Temp Folder";

// The message after a successful fix, and after a value that did not read back as written.
std::string ReportTempSetMessage(const std::string& path);
std::string ReportTempWriteErrorMessage(const std::string& path, const std::string& version);

}  // namespace lw
