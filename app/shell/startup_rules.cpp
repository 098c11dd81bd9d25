#include "app/shell/startup_rules.h"

#include <vector>

#include "app/tools/text.h"

namespace lw {

bool IsRssCheckDue(bool noInternet, std::string_view lastVerCheck, CalendarDate today, bool readerAvailable) {
  if (noInternet) return false;
  if (lastVerCheck == FormatIsoDate(today)) return false;
  return readerAvailable;
}

bool IsAnnouncedVersionStale(std::string_view newRssVer, int runningRevision) {
  return !newRssVer.empty() && Val(GetField(newRssVer, 3, ".")) <= runningRevision;
}

std::string ProgramCodeOf(std::string_view appTitle) {
  return UCase(appTitle.size() <= 2 ? appTitle : appTitle.substr(appTitle.size() - 2));
}

const RegionContacts& RegionForCountryCode(std::string_view countryCode) {
  return (countryCode == "61" || countryCode == "64") ? kRegionAU : kRegionGB;
}

bool WantsLastSageDataPath(std::string_view commandLine) { return Trim(commandLine) == "-M"; }

namespace {
// Blank-separated words; a double quote starts or ends a stretch in which blanks belong to the word.
std::vector<std::string> CommandWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}
}  // namespace

std::optional<ReportCommand> ParseReportCommand(std::string_view commandLine) {
  const std::vector<std::string> words = CommandWords(commandLine);
  if (words.empty() || !EqualsNoCase(words[0], "-report")) return std::nullopt;
  ReportCommand command;
  if (words.size() < 2 || Trim(words[1]).empty())
    command.usageError = "No report file was named. " + std::string(kReportUsage);
  else if (words.size() > 3)
    command.usageError = "Too many arguments after " + words[2] + ". " + kReportUsage;
  else
    command.file = words[1];
  if (words.size() == 3) command.dataPath = words[2];
  return command;
}

std::string MainWindowCaption(std::string_view userName, std::string_view computerName) {
  return std::string(kAppTitle) + " - " + std::string(userName) + " on " + std::string(computerName);
}

}  // namespace lw
