#include "app/sdo/sdo_session_win.h"

#include "app/sdo/sdo_checks_win.h"
#include "app/sdo/sdo_engine.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

SdoSessionState Sdo;

namespace {

void ReleaseSession() {
  Sdo.Workspace.Release();
  Sdo.Engine.Release();
}

bool LoginFailed() {
  SaveUserSetting("LoginStatus", "2 " + App.DataPath);
  long code = 0;
  std::string text;
  if (Sdo.Engine && Sdo.Engine.LastError(code, text)) Sdo.ErrorCode = code;
  text = Trim(text);
  Sdo.SdoErrorText = text.empty() ? "Login Failed" : text;
  ReleaseSession();
  return false;
}

}  // namespace

bool OpenSdoSession() {
  Sdo.Connected = false;
  Sdo.ErrorCode = 0;
  Sdo.SdoErrorText.clear();
  ReleaseSession();
  const std::string& version = App.DataVersion;
  if (!FileExists(SdoDllPath(version))) {
    Sdo.SdoErrorText = "The Sage v" + version + " SDO is not installed on this computer";
    return false;
  }
  if (SdoEngineClassId(version).empty()) {
    Sdo.SdoErrorText = "Invalid Sage Data Version " + version;
    return false;
  }
  std::string error;
  if (!SdoEngine::Create(version, Sdo.Engine, error)) {
    // The file is there but the engine cannot be started (not registered, or failing to load).
    Sdo.SdoErrorText = error.empty() ? "Login Failed" : error;
    return false;
  }
  Sdo.UserCode = GetAppSetting("UserCode", "Manager");
  Sdo.Password = GetPasswordSetting();
  if (!Sdo.Engine.AddWorkspace("MainSpace", Sdo.Workspace) || !Sdo.Workspace.SetUI(false)) return LoginFailed();
  Sdo.Password = RTrim(Sdo.Password);
  SaveUserSetting("LoginStatus", "0 " + App.DataPath);
  if (!Sdo.Workspace.Connect(NormaliseFolder(App.DataPath), Sdo.UserCode, Sdo.Password, "LINE50" + App.ProgramCode))
    return LoginFailed();
  SaveUserSetting("LoginStatus", "1 " + App.DataPath);
  SaveUserSetting("UserCode", Sdo.UserCode);
  SavePasswordSetting(Sdo.Password);
  Sdo.Connected = true;
  return true;
}

void CloseSdoSession() {
  if (Sdo.Workspace) Sdo.Workspace.Disconnect();
  Sdo.Connected = false;
  ReleaseSession();
}

}  // namespace lw
