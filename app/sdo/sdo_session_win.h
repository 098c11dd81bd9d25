// One session with the SDO engine: the log-in on the data folder with the stored user name and
// password, kept only for one check or one speed test.
#pragma once

#include <string>

#include "app/sdo/sdo_dispatch_win.h"

namespace lw {

struct SdoSessionState {
  SdoEngine Engine;
  SdoWorkspace Workspace;
  bool Connected = false;
  long ErrorCode = 0;  // the engine's code for the last failed log-in; 0 after a reset
  std::string SdoErrorText;  // why the last log-in or data version check refused the data
  std::string UserCode;
  std::string Password;
};
extern SdoSessionState Sdo;

// Logs in to App.DataPath with the stored "UserCode" and "Password". Failures are reported only
// through Sdo.SdoErrorText and Sdo.ErrorCode. "LoginStatus" records "0 " before the engine is
// asked, then "1 " or "2 ", so a crash inside the engine is known at the next start.
bool OpenSdoSession();
// Ends the session; always succeeds.
void CloseSdoSession();

}  // namespace lw
