#include "app/diagnostics/smb2.h"

#include "app/diagnostics/file_sharing.h"
#include "app/tools/text.h"

namespace lw {

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kRestartNotice = "Restart your computer to activate this change";
constexpr const char* kDisableClient = "Disable Client SMB2";
constexpr const char* kEnableClient = "Enable Client SMB2";
constexpr const char* kDisableServer = "Disable Server SMB2";
constexpr const char* kEnableServer = "Enable Server SMB2";

// A log entry ends with the restart notice and a blank line.
std::string WithRestartNotice(const std::string& text) {
  return text + kLineBreak + kRestartNotice + kLineBreak + kLineBreak;
}

}  // namespace

std::string ClientSmb2StateWord(const std::string& queryReport) {
  const size_t state = queryReport.find("STATE");
  if (state == std::string::npos) return "";
  const size_t lineEnd = queryReport.find(kLineBreak, state);
  if (lineEnd == std::string::npos) return "";
  const std::string line = Trim(std::string_view(queryReport).substr(state, lineEnd - state));
  return line.size() > 7 ? line.substr(line.size() - 7) : line;
}

ClientSmb2View ClientSmb2ViewOf(const std::string& queryReport) {
  const std::string word = ClientSmb2StateWord(queryReport);
  ClientSmb2View view;
  std::string line;
  if (word == "STOPPED") {
    view.caption = kEnableClient;
    line = "Client SMB2 service is disabled";
  } else if (word == "RUNNING") {
    view.caption = kDisableClient;
    line = "Client SMB2 service is enabled";
  } else {
    view.caption = kExitCaption;
    line = "Client SMB2 service not found";
  }
  // The state word leads the first line, before the query's report.
  view.log = word + " " + Trim(queryReport + kLineBreak + line) + kLineBreak + kLineBreak;
  return view;
}

std::optional<ClientSmb2Switch> ClientSmb2SwitchFor(const std::string& caption) {
  // The workstation service is made independent of the SMB2 driver before the driver is switched
  // off, and depends on it again when it is switched back on.
  if (caption == kDisableClient)
    return ClientSmb2Switch{"Disabling Client SMB2",
                            {"SC config lanmanworkstation depend= bowser/mrxsmb10/nsi",
                             "SC config mrxsmb20 start= disabled"},
                            kEnableClient};
  if (caption == kEnableClient)
    return ClientSmb2Switch{"Enabling Client SMB2",
                            {"SC config lanmanworkstation depend= bowser/mrxsmb10/mrxsmb20/nsi",
                             "SC config mrxsmb20 start= auto"},
                            kDisableClient};
  return std::nullopt;
}

std::string ClientSmb2SwitchLog(const ClientSmb2Switch& change, const std::string& firstReport,
                                const std::string& secondReport) {
  return Trim(WithRestartNotice(change.heading + kLineBreak + firstReport + kLineBreak + secondReport));
}

std::string ServerSmb2Caption(uint32_t value) { return value == 1 ? kDisableServer : kEnableServer; }

std::optional<ServerSmb2Switch> ServerSmb2SwitchFor(const std::string& caption) {
  if (caption == kDisableServer) return ServerSmb2Switch{0, Trim(WithRestartNotice("Server SMB2 Disabled in the Registry"))};
  if (caption == kEnableServer) return ServerSmb2Switch{1, Trim(WithRestartNotice("Server SMB2 Enabled in the Registry"))};
  return std::nullopt;
}

std::string ServerSmb2RegistryError(const std::string& storeText, uint32_t number, bool writing) {
  std::string text = RegistryErrorText(storeText, number) + kLineBreak + "HKLM\\SYSTEM\\" + kControlSet + "\\" +
                     kLanManServerKey + "\\" + kServerSmb2Value;
  return writing ? text + kLineBreak + "Nothing was changed." : text;
}

Smb2LogSize Smb2LogSizeFor(int innerWidth, int innerHeight, int logTop) {
  const int width = innerWidth - 240, height = innerHeight - logTop - 120;
  return {width > 0 ? std::optional<int>(width) : std::nullopt,
          height > 0 ? std::optional<int>(height) : std::nullopt};
}

}  // namespace lw
