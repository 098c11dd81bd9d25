#include "app/shell/startup_rules.h"

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

std::string MainWindowCaption(std::string_view userName, std::string_view computerName) {
  return std::string(kAppTitle) + " - " + std::string(userName) + " on " + std::string(computerName);
}

}  // namespace lw
