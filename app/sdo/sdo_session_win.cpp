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

bool LoginFailed(const std::string& dataPath) {
  SaveUserSetting("LoginStatus", "2 " + dataPath);
  long code = 0;
  std::string text;
  if (Sdo.Engine && Sdo.Engine.LastError(code, text)) Sdo.ErrorCode = code;
  text = Trim(text);
  Sdo.SdoErrorText = text.empty() ? "Login Failed" : text;
  ReleaseSession();
  return false;
}

}  // namespace

bool OpenSdoSession() { return OpenSdoSession(App.DataPath, App.DataVersion); }

bool OpenSdoSession(const std::string& dataPath, const std::string& version) {
  Sdo.Connected = false;
  Sdo.ErrorCode = 0;
  Sdo.SdoErrorText.clear();
  ReleaseSession();
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
  if (!Sdo.Engine.AddWorkspace("MainSpace", Sdo.Workspace) || !Sdo.Workspace.SetUI(false))
    return LoginFailed(dataPath);
  Sdo.Password = RTrim(Sdo.Password);
  SaveUserSetting("LoginStatus", "0 " + dataPath);
  if (!Sdo.Workspace.Connect(NormaliseFolder(dataPath), Sdo.UserCode, Sdo.Password, "LINE50" + App.ProgramCode))
    return LoginFailed(dataPath);
  SaveUserSetting("LoginStatus", "1 " + dataPath);
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
