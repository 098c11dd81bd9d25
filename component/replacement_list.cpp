#include "component/replacement_list.h"

#include <cstdio>

#include "component/updara_text.h"
#include "common/file_names.h"
#include "component/update_info.h"

namespace updara {
namespace {

// A 64-bit file time as its two 32-bit halves, each printed as a signed number.
std::string TimeHalves(std::uint64_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "|%ld|%ld", static_cast<long>(static_cast<std::int32_t>(time >> 32)),
                static_cast<long>(static_cast<std::int32_t>(time & 0xFFFFFFFFu)));
  return text;
}

// One half as printed: an optional "-" and the digits of a 32-bit signed number, nothing else.
std::optional<std::uint32_t> ReadHalf(std::string_view text) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}

// "#source>destination|h|l|h|l"; nullopt for anything else.
std::optional<ReplacementFile> ReadFileLine(std::string_view line) {
  ReplacementFile file;
  file.registerServer = line.starts_with('#');
  if (file.registerServer) line.remove_prefix(1);
  const size_t arrow = line.find('>');
  if (arrow == std::string_view::npos || arrow == 0) return std::nullopt;
  file.newPath = std::string(line.substr(0, arrow));
  line.remove_prefix(arrow + 1);
  const size_t bar = line.find('|');
  if (bar == std::string_view::npos || bar == 0) return std::nullopt;
  file.path = std::string(line.substr(0, bar));
  line.remove_prefix(bar + 1);
  std::uint32_t halves[4];
  for (int i = 0; i < 4; ++i) {
    const size_t end = line.find('|');
    if ((end == std::string_view::npos) != (i == 3)) return std::nullopt;
    const std::optional<std::uint32_t> half = ReadHalf(line.substr(0, end));
    if (!half) return std::nullopt;
    halves[i] = *half;
    line.remove_prefix(end == std::string_view::npos ? line.size() : end + 1);
  }
  file.created = std::uint64_t(halves[0]) << 32 | halves[1];
  file.modified = std::uint64_t(halves[2]) << 32 | halves[3];
  return file;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::string FormatReplacementList(const ReplacementList& list) {
  std::string out = std::string(kReplacementListSignature) + list.cmdLine + "\r\n";
  out += list.visible ? "1\r\n" : "0\r\n";
  out += list.cmdBefore + "\r\n" + list.cmdAfter + "\r\n";
  for (const long id : list.processIds) out += "?" + std::to_string(id) + "\r\n";
  for (const ReplacementFile& f : list.files) {
    out += (f.registerServer ? "#" : "") + f.newPath + ">" + f.path + TimeHalves(f.created) + TimeHalves(f.modified) +
           "\r\n";
  }
  return out;
}

std::optional<ReplacementList> ParseReplacementList(std::string_view text) {
  if (!text.starts_with(kReplacementListSignature)) return std::nullopt;
  ReplacementList list;
  size_t lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    switch (++lineNumber) {
      case 1:
        list.cmdLine = std::string(line.substr(kReplacementListSignature.size()));
        continue;
      case 2:
        list.visible = line != "0";
        continue;
      case 3:
        list.cmdBefore = std::string(line);
        continue;
      case 4:
        list.cmdAfter = std::string(line);
        continue;
      default:
        break;
    }
    if (line.empty()) continue;
    if (line.front() == '?') {
      const std::optional<std::uint32_t> id = ReadHalf(line.substr(1));
      if (!id) return std::nullopt;
      list.processIds.push_back(static_cast<long>(static_cast<std::int32_t>(*id)));
      continue;
    }
    std::optional<ReplacementFile> file = ReadFileLine(line);
    if (!file) return std::nullopt;
    list.files.push_back(std::move(*file));
  }
  return list;
}

bool IsOwnDownload(std::string_view path, std::string_view tempFolder) {
  if (tempFolder.empty() || !IsSeparator(tempFolder.back()) || path.size() <= tempFolder.size()) return false;
  if (LowerAscii(path.substr(0, tempFolder.size())) != LowerAscii(tempFolder)) return false;
  const std::string name = LowerAscii(path.substr(tempFolder.size()));
  if (!name.starts_with("udx") || !name.ends_with(".tmp")) return false;
  const std::string_view digits = std::string_view(name).substr(3, name.size() - 7);
  if (digits.empty() || digits.size() > 4) return false;
  for (const char c : digits)
    if (!IsHexDigit(c)) return false;
  return true;
}

bool IsPlainFullPath(std::string_view path) {
  size_t partsStart;
  if (path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
      path[1] == ':' && IsSeparator(path[2])) {
    partsStart = 3;
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    partsStart = 2;  // \\server\share\...: the server and the share are parts like any other
  } else {
    return false;
  }
  std::string_view rest = path.substr(partsStart);
  size_t parts = 0;
  while (true) {
    size_t end = 0;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    // Every part is a name a file could have; "." and ".." are refused with it ("?" of "\\?\" too).
    if (!lw::IsPlainFileName(rest.substr(0, end))) return false;
    ++parts;
    if (end == rest.size()) break;
    rest.remove_prefix(end + 1);
  }
  return partsStart == 3 || parts >= 3;  // a share path names a file below the share
}

std::string_view FolderOf(std::string_view path) {
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  return path.substr(0, cut);
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
  if (folder.empty() || !IsSeparator(folder.back()) || path.size() <= folder.size()) return false;
  std::string a = LowerAscii(path.substr(0, folder.size())), b = LowerAscii(folder);
  for (char* s : {a.data(), b.data()})
    for (char* c = s; *c; ++c)
      if (*c == '/') *c = '\\';
  return a == b;
}

std::optional<ListFaultAt> FindListFault(const ReplacementList& list, std::string_view tempFolder,
                                         const std::vector<std::string>* entryFolders) {
  for (const ReplacementFile& f : list.files) {
    if (!IsOwnDownload(f.newPath, tempFolder)) return ListFaultAt{ListFault::SourceNotOurs, f.newPath};
    if (!IsPlainFullPath(f.path)) return ListFaultAt{ListFault::DestinationNotPlain, f.path};
    if (IsInsideFolder(f.path, tempFolder)) return ListFaultAt{ListFault::DestinationInTemporary, f.path};
    if (!entryFolders) continue;
    bool inside = false;
    for (const std::string& folder : *entryFolders) inside = inside || IsInsideFolder(f.path, folder);
    if (!inside) return ListFaultAt{ListFault::OutsideTheEntriesFolders, f.path};
  }
  return std::nullopt;
}

}  // namespace updara
