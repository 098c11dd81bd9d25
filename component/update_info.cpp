#include "component/update_info.h"

#include <array>
#include <cctype>
#include <utility>

#include "component/updara_text.h"

namespace updara {
namespace {

// A value that keeps naming itself would be replaced for ever.
constexpr int kMaxReplacements = 64;

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Days from 1 March of year 0 in the proleptic Gregorian calendar, so that leap days come last.
long long DaysFromCivil(long long year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const int shiftedMonth = month > 2 ? month - 3 : month + 9;
  const long long dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

enum class Section { None, File, Message, Global };
using Pair = std::pair<std::string, std::string>;  // key lower-cased, value as written

class Reader {
 public:
  Reader(std::string_view documentUrl, const MacroSource& macros) : documentUrl_(documentUrl), macros_(macros) {}

  void Line(std::string_view line) {
    if (line.size() > kMaxLineLength) return;
    if (line.empty()) {
      HandOver();
      open_ = Section::None;
    } else if (line[0] == '#' || line[0] == '/' || line[0] == ';') {
      // a comment; the section stays open
    } else if (line == "[File]" || line == "[Message]" || line == "[Global]") {
      HandOver();
      open_ = line == "[File]" ? Section::File : line == "[Message]" ? Section::Message : Section::Global;
    } else if (const size_t eq = line.find('='); eq != std::string_view::npos) {
      pending_.emplace_back(LowerAscii(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
  }

  UpdateInfo Finish() {
    HandOver();
    return std::move(info_);
  }

 private:
  // Pairs read while no section was open wait for the next section that is handed over.
  void HandOver() {
    switch (open_) {
      case Section::None: return;
      case Section::File: FileSection(); break;
      case Section::Message: MessageSection(); break;
      case Section::Global: GlobalSection(); break;
    }
    pending_.clear();
  }

  void GlobalSection() {
    GlobalSettings& g = info_.global;
    for (const auto& [key, value] : pending_) {
      if (key == "requireadmin") {
        g.requireAdmin = ReadBool(value);
      } else if (key == "cmdbefore") {
        g.cmdBefore = value;
      } else if (key == "cmdafter") {
        g.cmdAfter = value;
      } else if (key == "cmdline") {
        if (auto expanded = ExpandPathMacros(value, macros_, kMaxLineLength)) g.cmdLine = std::move(*expanded);
      } else if (key == "expires") {
        g.expires = ReadUtcStamp(value);
      } else if (key == "sequence") {
        g.sequence = ReadSequence(value);
      }
    }
  }

  void MessageSection() {
    MessageEntry m;
    for (const auto& [key, value] : pending_) {
      if (key == "id") m.id = ReadDecimal(value);
      else if (key == "caption") m.caption = value;
      else if (key == "text") m.text = value;
    }
    if (!m.caption.empty() || !m.text.empty()) info_.messages.push_back(std::move(m));
  }

  void FileSection() {
    FileEntry f;
    for (const auto& [key, value] : pending_) {
      if (key == "name") {
        f.name = value;
      } else if (key == "size") {
        f.size = ReadDecimal(value);
      } else if (key == "md5") {
        f.newMd5 = LowerAscii(value);
      } else if (key == "sha256") {
        f.newSha256 = LowerAscii(value);
      } else if (key == "date" || key == "creationdate") {
        f.newDate = ReadTimestamp(value);
      } else if (key == "modificationdate") {
        f.newModificationDate = ReadTimestamp(value);
      } else if (key == "url") {
        f.url = EntryUrl(value, documentUrl_, f.compressed);
      } else if (key == "path") {
        std::string path = value;
        for (char& c : path)
          if (c == '/') c = '\\';
        if (auto expanded = ExpandPathMacros(path, macros_, kMaxPathLength)) {
          f.path = std::move(*expanded);
          f.pathGiven = true;
        }
      } else if (key == "version") {
        f.newVersion = value;
      } else if (key == "register") {
        f.registerServer = ReadBool(value);
      } else if (key == "compressed") {
        f.compressed = ReadBool(value);
      }
    }
    if (!f.name.empty()) info_.files.push_back(std::move(f));
  }

  std::string_view documentUrl_;
  const MacroSource& macros_;
  Section open_ = Section::None;
  std::vector<Pair> pending_;
  UpdateInfo info_;
};

}  // namespace

std::optional<std::string> ExpandPathMacros(std::string_view text, const MacroSource& macros, size_t maxLength) {
  std::string out(text);
  if (out.size() > maxLength) return std::nullopt;
  for (int replaced = 0;; ++replaced) {
    const size_t open = out.find('%');
    if (open == std::string::npos) return out;
    const size_t close = out.find('%', open + 1);
    if (close == std::string::npos) return out;  // an unclosed "%" stays as it is
    if (replaced == kMaxReplacements) return std::nullopt;
    const std::string name = out.substr(open + 1, close - open - 1);
    const std::string key = LowerAscii(name);
    std::string value;
    const bool app = key == "app";
    if (app) {
      value = macros.HostExecutable();
      if (value.find(' ') != std::string::npos) value = '"' + value + '"';
    } else if (key == "appdir") {
      value = macros.CurrentDirectory();
    } else if (key == "windows") {
      value = macros.WindowsFolder();
    } else if (key == "system") {
      value = macros.SystemFolder();
    } else if (auto shell = macros.UserShellFolder(name)) {
      value = std::move(*shell);
    } else if (auto variable = macros.Environment(name)) {
      value = std::move(*variable);
    }
    if (out.size() - (close - open + 1) + value.size() > maxLength) return std::nullopt;
    out.replace(open, close - open + 1, value);
    // A path names a folder unless it is the program itself.
    if (!app && out.size() > 1 && out.back() != '\\') {
      if (out.size() + 1 > maxLength) return std::nullopt;
      out += '\\';
    }
  }
}

bool ReadBool(std::string_view value) {
  return !value.empty() && value[0] != '0' && value[0] != 'F' && value[0] != 'f';
}

long ReadDecimal(std::string_view value) {
  if (value.empty() || std::isspace(static_cast<unsigned char>(value[0]))) return 0;
  return LeadingNumber(value);
}

std::optional<double> AutomationDate(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
      hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    return std::nullopt;
  // The time is added part by part, as the system's own conversion does, so that the same date
  // and time give the very same number either way.
  double date = static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
  const double sign = date < 0 ? -1.0 : 1.0;
  date += hour / 24.0 * sign;
  date += minute / 1440.0 * sign;
  date += second / 86400.0 * sign;
  return date;
}

double ReadTimestamp(std::string_view value) {
  constexpr std::array<size_t, 6> kWidths = {4, 2, 2, 2, 2, 2};
  std::array<long, 6> fields{};
  size_t start = 0;
  for (size_t i = 0; i < kWidths.size() && value.size() > start + kWidths[i]; ++i) {
    fields[i] = LeadingNumber(value.substr(start, kWidths[i]));
    start += kWidths[i];
  }
  const auto date = AutomationDate(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
  return date ? *date : 0;
}

std::optional<std::uint64_t> ReadUtcStamp(std::string_view value) {
  if (value.size() != 14) return std::nullopt;
  std::uint64_t stamp = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    stamp = stamp * 10 + static_cast<std::uint64_t>(c - '0');
  }
  const auto field = [&](size_t start, size_t width) { return static_cast<int>(LeadingNumber(value.substr(start, width))); };
  if (!AutomationDate(field(0, 4), field(4, 2), field(6, 2), field(8, 2), field(10, 2), field(12, 2))) return std::nullopt;
  return stamp;
}

std::optional<std::uint64_t> ReadSequence(std::string_view value) {
  if (value.empty() || value.size() > 18) return std::nullopt;
  std::uint64_t n = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return n;
}

std::string EntryUrl(std::string_view value, std::string_view documentUrl, bool& compressed) {
  if (value.size() <= 3) return std::string(value);
  if (EndsWith(value, ".gz")) compressed = true;
  if (value.find_first_of("/\\") != std::string_view::npos) return std::string(value);
  const std::string_view base = documentUrl.substr(0, documentUrl.find('?'));
  const size_t cut = base.find_last_of("/\\");
  if (cut == std::string_view::npos) return std::string(value);
  // A document at a server's root ("http://host?x=1"): its folder is the root, not "http://".
  const size_t scheme = base.find("://");
  if (scheme != std::string_view::npos && cut < scheme + 3 && base.size() > scheme + 3)
    return std::string(base) + "/" + std::string(value);
  return std::string(base.substr(0, cut + 1)) + std::string(value);
}

std::optional<UpdateInfo> ParseUpdateInfo(std::string_view document, std::string_view signature,
                                          std::string_view documentUrl, const MacroSource& macros) {
  if (document.substr(0, signature.size()) != signature) return std::nullopt;
  Reader reader(documentUrl, macros);
  // The document is read as if it ended with a line end, so its last line counts too.
  while (!document.empty()) {
    const size_t end = document.find('\n');
    std::string_view line = document.substr(0, end);
    if (end == std::string_view::npos) {
      document = {};
    } else {
      document.remove_prefix(end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }
    reader.Line(line);
  }
  return reader.Finish();
}

}  // namespace updara
