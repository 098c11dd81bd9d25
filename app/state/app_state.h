// Application-wide values of the start-up, grouped so that a test can reset them in one step.
#pragma once

#include <string>

namespace lw {

struct AppState {
  bool RssCheckDue = false;
  bool NoInternet = false;
  bool EndRequested = false;
  bool Busy = false;             // set only through the main window's SetBusy
  bool MainWindowReady = false;  // the main window is shown: waiting opens report in its caption
  std::string NewRssVer;
  std::string RssDetails;  // the change lists of the newer versions found, or why the last check failed
  std::string ProgramCode;
  std::string RegionCode;
  std::string TaxName;
  std::string RegionWebSite;
  std::string RegionEmail;
  std::string SecondWebSite;
  std::string RssServer;  // where the version feed is read from: scheme, host and port
  std::string UpdateHost;  // the publisher's update server, asked by the About window
  std::string CountryName;
  std::string CountryCode;
  std::string DataPath;
  std::string DataVersion;
};

extern AppState App;

}  // namespace lw
