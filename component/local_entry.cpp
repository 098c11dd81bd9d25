#include "component/local_entry.h"

#include "common/file_names.h"
#include "component/updara_text.h"

namespace updara {
namespace {

// How a new date stands to a local one; a local date that cannot be read makes a set new date
// the later one.
VersionOrder CompareDates(double newDate, const std::optional<double>& local) {
  if (!local) return newDate != 0 ? VersionOrder::Newer : VersionOrder::Equal;
  if (newDate > *local) return VersionOrder::Newer;
  return newDate < *local ? VersionOrder::Older : VersionOrder::Equal;
}

}  // namespace

std::string NormaliseFileVersion(std::string_view text) {
  const char separator = text.find('.') != std::string_view::npos ? '.' : ',';
  if (text.find(separator) == std::string_view::npos) return {};
  std::string out;
  for (bool first = true;; first = false) {
    const size_t cut = text.find(separator);
    if (!first) out += '.';
    out += std::to_string(static_cast<unsigned int>(LeadingNumber(text.substr(0, cut))));
    if (cut == std::string_view::npos) return out;
    text.remove_prefix(cut + 1);
  }
}

VersionOrder CompareVersions(std::string_view local, std::string_view newVersion) {
  const std::vector<long> mine = VersionNumbers(local), theirs = VersionNumbers(newVersion);
  for (size_t i = 0; i < theirs.size(); ++i) {
    const long own = i < mine.size() ? mine[i] : 0;
    if (theirs[i] > own) return VersionOrder::Newer;
    if (theirs[i] < own) return VersionOrder::Older;
  }
  return VersionOrder::Equal;
}

bool NeedsReplacing(const FileEntry& entry, std::string_view myVersion, const LocalFileFacts& local,
                    long replaceRule) {
  if (replaceRule == kReplaceNever) return false;
  if (replaceRule == kReplaceAlways || !local.opens) return true;
  bool need = false;
  if (replaceRule == kReplaceIfVersion || replaceRule == kReplaceSmart) {
    if (!myVersion.empty()) {
      const VersionOrder order = CompareVersions(myVersion, entry.newVersion);
      if (order != VersionOrder::Equal) return order == VersionOrder::Newer;
    } else if (!entry.newVersion.empty()) {
      need = true;
    }
  }
  if (replaceRule == kReplaceIfDate || replaceRule == kReplaceSmart) {
    const VersionOrder order = CompareDates(entry.newDate, local.created);
    if (order == VersionOrder::Newer) return true;
    if (order == VersionOrder::Older) return need;
  }
  if (replaceRule == kReplaceIfModificationDate || replaceRule == kReplaceSmart) {
    if (CompareDates(entry.newModificationDate, local.written) == VersionOrder::Newer) return true;
  }
  return need;
}

CompletedEntry CompleteEntry(const FileEntry& entry, LocalMachine& machine, long replaceRule) {
  CompletedEntry out;
  out.path = entry.path;
  const bool safe = lw::IsPlainFileName(entry.name);
  if (safe) {
    const std::string module = machine.ModulePath(entry.name);
    if (out.path.empty()) out.path = module;
    out.myVersion = NormaliseFileVersion(machine.FileVersionText(module.empty() ? entry.name : module));
  }
  if (out.path.empty()) {
    out.path = machine.CurrentDirectory();
    if (out.path.empty() || out.path.back() != '\\') out.path += '\\';
    out.path += entry.name;
  } else if (out.path.back() == '\\') {
    out.path += entry.name;
  }
  if (safe && out.path.size() <= kMaxPathLength)
    out.needReplace = NeedsReplacing(entry, out.myVersion, machine.Inspect(out.path), replaceRule);
  return out;
}

}  // namespace updara
