// Switching SMB2 file sharing off and on, for this computer as a client (the client driver's service,
// through Windows' service-control tool) and as a file server (a registry value). What the SMB2
// window shows and logs in each state, and the commands it runs; the window only applies these.
// Every change needs a restart of Windows, which the log says and the program never does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lw {

// The client driver's state, as the service-control tool reports it.
inline constexpr const char* kClientSmb2Query = "SC query mrxsmb20";
// The server's value under HKLM\SYSTEM\CurrentControlSet\Services\LanManServer\Parameters;
// absent, it counts as 1 (SMB2 on).
inline constexpr const char* kServerSmb2Value = "Smb2";
inline constexpr uint32_t kServerSmb2Absent = 1;

// The client button's caption when the driver's state is not one it can switch: a click closes the
// window.
inline constexpr const char* kExitCaption = "Exit";

// The state word in the query's report: from the first "STATE" to the line break after it,
// trimmed, its last seven characters ("STATE : 4 RUNNING" gives "RUNNING"). Empty without a
// "STATE", or when no line break follows it (the output was cut short).
std::string ClientSmb2StateWord(const std::string& queryReport);

// The log as the window opens, and the client button's caption, for the query's report.
struct ClientSmb2View {
  std::string caption;  // "Disable Client SMB2", "Enable Client SMB2" or "Exit"
  std::string log;
  bool operator==(const ClientSmb2View&) const = default;
};
ClientSmb2View ClientSmb2ViewOf(const std::string& queryReport);

// What a click on the client button does, by its caption at the moment of the click.
struct ClientSmb2Switch {
  std::string heading;        // the log's first line: "Disabling Client SMB2"
  const char* commands[2];    // the two command lines, run in this order
  std::string captionAfter;   // whatever the commands reported
};
// Null for "Exit" (the window closes) and for any caption that switches nothing.
std::optional<ClientSmb2Switch> ClientSmb2SwitchFor(const std::string& caption);
// What the log gets after a switch: the heading, each command's report, the restart notice.
std::string ClientSmb2SwitchLog(const ClientSmb2Switch& change, const std::string& firstReport,
                                const std::string& secondReport);

// The server button's caption for the stored value: only exactly 1 is SMB2 on.
std::string ServerSmb2Caption(uint32_t value);
// What a click on the server button writes and logs, by its caption; null for any other caption.
struct ServerSmb2Switch {
  uint32_t value;
  std::string log;
};
std::optional<ServerSmb2Switch> ServerSmb2SwitchFor(const std::string& caption);
// The message of a registry error with the server value (a value of another type, a key the
// program may not read or write): the store's text and number and the value's path, and after a
// refused write that nothing was changed.
std::string ServerSmb2RegistryError(const std::string& storeText, uint32_t number, bool writing);

// The log box's size, in twips, for the window's inner size and the box's top: the width less a
// margin of 120 on either side, the height less 120 below. A side that would not be positive is
// null, and the box keeps its size that way.
struct Smb2LogSize {
  std::optional<int> width, height;
  bool operator==(const Smb2LogSize&) const = default;
};
Smb2LogSize Smb2LogSizeFor(int innerWidth, int innerHeight, int logTop);

}  // namespace lw
