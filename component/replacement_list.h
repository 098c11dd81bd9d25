// The replacement list that hands files over to the updater, and the rules every list is held to
// before any of it is acted on. Written when a download ends and again by Update; read by the
// updater, by the look for an earlier run's files and by the clearing calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

inline constexpr std::string_view kReplacementListSignature = "#UDA Signature";
// A list is read whole into memory; a larger file is no list of ours.
inline constexpr size_t kMaxReplacementListBytes = 1024 * 1024;

struct ReplacementFile {
  bool registerServer = false;
  std::string newPath;  // the downloaded file
  std::string path;     // where it goes
  // NewDate and NewModificationDate as UTC file times; 0 when not set.
  std::uint64_t created = 0, modified = 0;
};

struct ReplacementList {
  std::string cmdLine;  // the host's command line, to restart it
  bool visible = false;
  std::string cmdBefore, cmdAfter;
  std::vector<long> processIds;  // processes to end first
  std::vector<ReplacementFile> files;
};

// The list as the updater reads it: "#UDA Signature" and the command line, "1" or "0", the two
// commands, a "?" line per process, then per file an optional "#", the downloaded file, ">" and the
// destination, and the two times as "|high|low" halves printed as signed numbers. Lines end in
// CR LF.
std::string FormatReplacementList(const ReplacementList& list);

// The list read back; nullopt when the text does not start with the signature or holds a line that
// is neither a process line nor a whole file line (source, ">", destination and four numbers), so
// that a damaged list is never acted on in part. Lines may end in a lone LF; empty lines after the
// header are skipped. Line 2 other than "0" counts as visible.
std::optional<ReplacementList> ParseReplacementList(std::string_view text);

// Whether the path is one of this component's own downloads: a "UDX" temporary file as
// GetTempFileName names it ("UDX", one to four hexadecimal digits, ".tmp") directly inside the
// temporary folder (which ends in "\"). Letter case does not count, as for any Windows file name.
bool IsOwnDownload(std::string_view path, std::string_view tempFolder);

// A full path of a file on a drive ("C:\...") or a share ("\\server\share\..."), whose parts are
// plain names: no "." or "..", no empty part, no wildcard or other character Windows refuses in a
// name, no device name, no device path ("\\.\", "\\?\"). "/" counts as a separator.
bool IsPlainFullPath(std::string_view path);

// The folder of a path: everything up to its last "\" or "/", that separator included.
std::string_view FolderOf(std::string_view path);
// Whether the path lies in the folder or below it (letter case does not count); the folder ends
// in a separator.
bool IsInsideFolder(std::string_view path, std::string_view folder);

// Why a list may not be acted on; the first line at fault decides.
enum class ListFault {
  SourceNotOurs,             // a file line's source is not one of this component's downloads
  DestinationNotPlain,       // a destination is not a plain full path
  DestinationInTemporary,    // a destination lies in the temporary folder itself
  OutsideTheEntriesFolders,  // a destination lies outside every folder of the update's entries
};
struct ListFaultAt {
  ListFault fault;
  std::string path;  // the path at fault
};
// Checks every file line: sources must be this component's downloads in the temporary folder,
// destinations plain full paths outside it and, when `entryFolders` is given, inside one of them.
std::optional<ListFaultAt> FindListFault(const ReplacementList& list, std::string_view tempFolder,
                                         const std::vector<std::string>* entryFolders);

}  // namespace updara
