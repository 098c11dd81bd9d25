// Handing a replacement over to the programs the component carries: writing them out of the DLL's
// resources, starting the updater (or, where administrator rights are needed and missing, the
// restarter first and then the updater service or the elevated updater), and the end of the host.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/updara_text.h"

namespace updara {

inline constexpr char kServicePipe[] = "\\\\.\\Pipe\\UpdaraPipe";

// Sends the updater service a request of text items on its pipe and reads its 4-byte answer; the
// service gets 2 seconds for the whole exchange. nullopt when there is no service or it does not
// answer in time.
std::optional<std::uint32_t> AskUpdaterService(const std::vector<std::string>& items);

// Writes one of the programs the DLL carries (a resource of carried_programs.h) to the path, after
// ending any process still running from there.
bool WriteCarriedProgram(int resourceId, const std::string& path);

// Starts the updater on the list of these names. `elevate`: the restarter is started with the
// host's executable and the hand-over event, and once the event exists the updater service is
// asked, else the updater is launched with the "runas" verb. Answers 0 or 30005.
long StartUpdater(const UpdaterNames& names, bool elevate, const std::string& cmdLine);

// The host has one second to end by itself, then its process is ended with exit code 0.
void EndHostWithinASecond();

}  // namespace updara
