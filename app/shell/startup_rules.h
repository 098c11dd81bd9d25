// The decisions of the start-up, kept apart from the Windows calls that feed them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/state/program.h"
#include "common/product.h"

namespace lw {

// The RSS version check runs at most once a calendar day, never with NoInternet set, and only
// when the feed reader is available.
bool IsRssCheckDue(bool noInternet, std::string_view lastVerCheck, CalendarDate today, bool readerAvailable);

// An announced version is stale when its third field is not above the running revision.
bool IsAnnouncedVersionStale(std::string_view newRssVer, int runningRevision);

// Upper-cased last two characters of the application title.
std::string ProgramCodeOf(std::string_view appTitle);

// "61" (Australia) and "64" (New Zealand) select the AU region; every other code GB.
const RegionContacts& RegionForCountryCode(std::string_view countryCode);

// The trimmed command line, exactly "-M", asks for Sage's last-used data folder.
bool WantsLastSageDataPath(std::string_view commandLine);

// "-report FILE [DATAPATH]" (the switch in any case; a value with blanks in double quotes): the
// diagnostic report is written to FILE without a window. `usageError` says what is wrong with the
// rest of the line; nullopt when the line asks for no report at all.
struct ReportCommand {
  std::string file;
  std::string dataPath;  // empty: the data path the program would open
  std::string usageError;
};
std::optional<ReportCommand> ParseReportCommand(std::string_view commandLine);
inline constexpr const char* kReportUsage = "Usage: Ledgerwell.exe -report FILE [DATAPATH]";

std::string MainWindowCaption(std::string_view userName, std::string_view computerName);

}  // namespace lw
