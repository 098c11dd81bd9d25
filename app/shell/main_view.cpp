#include "app/shell/main_view.h"

#include <algorithm>

#include "app/discovery/data_path_texts.h"
#include "app/tools/text.h"

namespace lw {

namespace {

constexpr const char* kOpenFolderTip = "Double click to open folder.";

// "SDO Version" and the version in black, or, for a data folder without its engine, the
// not-installed wording in magenta.
void ShowSdoVersion(SagePanelsView& view, bool dataFolder, const std::string& version,
                    const std::string& dataVersion) {
  const bool missing = dataFolder && version.empty();
  view.sdoCaption.text = missing ? "SDO" : "SDO Version";
  view.sdo = missing ? LabelView{"v" + dataVersion + " SDO is not installed", kWarningColour, ""} : LabelView{version, kNormalColour, ""};
}

}  // namespace

SagePanelsView EmptySagePanels() {
  SagePanelsView view;
  ShowSdoVersion(view, false, "", "");
  view.progPath.tip = view.setPath.tip = kOpenFolderTip;
  return view;
}

SagePanelsView SagePanelsOf(const DataFolderFacts& facts) {
  const Installation& install = facts.install;
  const int dataVersion = int(Val(facts.dataVersion));
  SagePanelsView view = EmptySagePanels();
  view.ver.text = facts.programType + facts.dataVersion;
  ShowSdoVersion(view, true, install.SdoVersion, facts.dataVersion);
  view.sbd.text = install.SbdVersion;
  view.rep.text = install.ReportDesignerVersion;
  view.progPath.text = install.ProgramFolder;
  view.setPath.text = install.SetupFolder;
  view.repPath = {install.ReportsFolder, facts.reportsFound ? kNormalColour : kWarningColour,
                  ReportsPathToolTip(install.UseDataPathForReports, facts.reportsFound)};
  view.sagVer.text = install.SageVersion;
  view.progType.text = ProgramDescription(install.EditionCode, install.EditionName, dataVersion,
                                          install.SageUserCount, install.SageCompanyCount);
  view.net.text = facts.dataLocation;
  view.counts.text = RecordCountsCaption(facts.counts, dataVersion);
  view.updates = install.InstalledUpdates;
  view.menuEnabled = true;
  return view;
}

bool IsKnownUser(const LoginFacts& facts) {
  const std::string name = UCase(Trim(facts.userName));
  // A blank entry of the user list (a deleted user's slot) is nobody's name.
  if (name.empty()) return false;
  if (name == "MANAGER") return true;
  // The first entry stands for the manager, whatever the data calls it.
  return facts.users.size() > 1 &&
         std::any_of(facts.users.begin() + 1, facts.users.end(), [&](const std::string& u) { return UCase(u) == name; });
}

std::optional<LoginView> LoginViewBeforeEngine(const LoginFacts& facts) {
  LoginView view;
  if (!facts.dataFolder || !facts.versionSupported) {
    view.recs = {facts.dataFolder ? facts.refusal : std::string(), kWarningColour, ""};
    return view;
  }
  if (IsKnownUser(facts)) return std::nullopt;
  const std::string why = Trim(facts.userName).empty() ? "User Name Not Entered" : "Invalid User Name";
  for (int i = 0; i < 2; ++i) {
    view.cross[i] = true;
    view.crossTip[i] = why;
  }
  view.recs = {why, kWarningColour, ""};
  return view;
}

LoginView LoginViewAfterEngine(const LoginFacts& facts, const EngineAnswer& answer) {
  LoginView view;
  view.tick[0] = true;
  if (!answer.loggedIn) {
    const std::string why = answer.errorCode == 22 ? "Invalid Password" : answer.errorText;
    view.cross[1] = true;
    view.crossTip[1] = why;
    view.recs = {why, kWarningColour, ""};
    // An engine that refuses only this log-in (code 23) can still be measured; never during a run.
    view.speedEnabled = answer.errorCode == 23 && !facts.busy;
    return view;
  }
  view.tick[1] = true;
  view.recs.text =
      Format("%s %ld Record%s", answer.testName.c_str(), answer.recordCount, answer.recordCount == 1 ? "" : "s");
  view.speedEnabled = !facts.busy;
  return view;
}

BusyView BusyViewOf(const BusyFacts& facts) {
  BusyView view;
  view.inputsEnabled = view.timerEnabled = !facts.busy;
  view.menuEnabled = !facts.busy && facts.dataFolder;
  view.exitCaption = facts.busy ? "Stop" : "Exit";
  view.sharingFixesOff = facts.busy;
  view.tempFixEnabled = !facts.busy && facts.tempNeedsFix && facts.tempActive;
  view.tempBoxEnabled = !facts.busy && facts.tempActive;
  return view;
}

}  // namespace lw
