// The main window's fixes and tools entries: the oplock and SMB signing frames with their fix
// buttons, the report temporary folder frame, and the check-data and viewer entries of the tools
// menu.
// Nothing read from the registry or the disk is kept: every display and every fix reads afresh.
#include <array>
#include <initializer_list>
#include <optional>
#include <vector>

#include "app/datafiles/check_data_reports.h"
#include "app/diagnostics/file_sharing.h"
#include "app/diagnostics/file_sharing_win.h"
#include "app/diagnostics/report_temp.h"
#include "app/diagnostics/report_temp_win.h"
#include "app/diagnostics/workstation.h"
#include "app/diagnostics/workstation_win.h"
#include "app/discovery/installation.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"
#include "app/viewers/frm_text_edit_win.h"
#include "app/viewers/text_viewer.h"
#include "common/runtime_error.h"

namespace lw {

namespace {

using Setter = void (*)(const std::string& name, uint32_t value);
using FixRule = std::optional<uint32_t> (*)(uint32_t value);

void ShowSharingLabel(forms::Label& label, const SharingLabel& shown) {
  label.SetCaption(shown.view.caption);
  label.SetForeColor(shown.view.colour);
  label.SetToolTipText(shown.tip);
}

// One value a fix may write: where it is, what it reads as when absent, and what the fix makes of it.
struct FixedValue {
  Setter set;
  const char* serviceKey;
  const char* name;
  uint32_t absent;
  FixRule rule;
  std::string Path() const { return std::string("HKLM\\SYSTEM\\") + kControlSet + "\\" + serviceKey + "\\" + name; }
};

RuntimeError FixError(const RuntimeError& e, const FixedValue& value, const std::string& outcome) {
  return RuntimeError(e.Number(), RegistryErrorText(e.what(), e.Number()) + "\r\n" + value.Path() + "\r\n" + outcome);
}

// A fix is whole or reported: every value is read first, and one that cannot be read ends the fix
// before anything is written. Then the values the rules change are written; a write that fails
// puts back the ones written before it (an absent one is removed again) and the error says so.
void ApplySharingFix(std::initializer_list<FixedValue> values) {
  struct Change {
    const FixedValue& value;
    std::optional<uint32_t> before;
    uint32_t after;
  };
  std::vector<Change> changes;
  for (const FixedValue& v : values) {
    std::optional<uint32_t> stored;
    try {
      stored = StoredSharingValue(v.serviceKey, v.name);
    } catch (const RuntimeError& e) {
      throw FixError(e, v, "Nothing was changed.");
    }
    if (std::optional<uint32_t> after = v.rule(stored.value_or(v.absent))) changes.push_back({v, stored, *after});
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    try {
      changes[i].value.set(changes[i].value.name, changes[i].after);
    } catch (const RuntimeError& e) {
      std::string kept;
      for (size_t j = i; j-- > 0;) {
        const Change& c = changes[j];
        try {
          if (c.before)
            c.value.set(c.value.name, *c.before);
          else
            RemoveSharingValue(c.value.serviceKey, c.value.name);
        } catch (const RuntimeError&) {
          kept += "\r\n" + c.value.Path();
        }
      }
      throw FixError(
          e, changes[i].value,
          kept.empty() ? "Nothing was changed." : "These values were changed and could not be put back:" + kept);
    }
  }
}

// Runs a fix; a registry error (a write refused when the program runs without elevated rights,
// a value of another type) is shown, and the caller redisplays the frame either way.
void RunSharingFix(std::initializer_list<FixedValue> values) {
  try {
    ApplySharingFix(values);
  } catch (const RuntimeError& e) {
    forms::MsgBox(e.what(), MB_ICONERROR, "Registry Error");
  }
}

}  // namespace

void frmMain::ShowOplocks() {
  bool fix = false;
  const std::array<SharingLabel, 2> shown = ReadOplockLabels();
  forms::Label* labels[] = {lblOpDis, lblEnOp};
  for (size_t i = 0; i < shown.size(); ++i) {
    ShowSharingLabel(*labels[i], shown[i]);
    fix |= shown[i].view.needsFix;
  }
  cmdOpFix->SetEnabled(fix);
}

void frmMain::ShowSigning() {
  bool fix = false;
  const std::array<SharingLabel, 4> shown = ReadSigningLabels();
  forms::Label* labels[] = {lblSMBwe, lblSMBwr, lblSMBse, lblSMBsr};
  for (size_t i = 0; i < shown.size(); ++i) {
    ShowSharingLabel(*labels[i], shown[i]);
    fix |= shown[i].view.needsFix;
  }
  cmdSMBfix->SetEnabled(fix);
}

void frmMain::cmdOpFix_Click() {
  if (!Workstation.UserIsAdmin) {
    forms::MsgBox("You must be logged on to Windows as an Administrator to use this Button", MB_ICONEXCLAMATION,
                  "Windows Security Error");
  } else {
    RunSharingFix({{SetMRXSmbValue, kMRXSmbKey, "OplocksDisabled", 0, OplocksDisabledFix},
                   {SetLanManServerValue, kLanManServerKey, "EnableOplocks", 1, EnableOplocksFix}});
  }
  ShowOplocks();
}

void frmMain::cmdSMBfix_Click() {
  if (!Workstation.UserIsAdmin) {
    forms::MsgBox("You must be logged on to Windows as an Administrator to use this button", MB_ICONEXCLAMATION,
                  "Windows Security Error");
  } else {
    RunSharingFix({{SetLanManWorkstationValue, kLanManWorkstationKey, kSigningValues[0], 1, SigningFix},
                   {SetLanManWorkstationValue, kLanManWorkstationKey, kSigningValues[1], 1, SigningFix},
                   {SetLanManServerValue, kLanManServerKey, kSigningValues[0], 1, SigningFix},
                   {SetLanManServerValue, kLanManServerKey, kSigningValues[1], 1, SigningFix}});
  }
  ShowSigning();
}

void frmMain::ShowReportTemp(const std::string& version) {
  cmdTempFix->SetTag(version);
  const ReportTempView view = ReadReportTemp(version, Install.ProgramFolder);
  // The tag is set before the text, so the change event finds them equal and leaves the colour
  // and the button as they are set here.
  fraTemp->SetCaption(view.caption);
  txtTemp->SetTag(view.path);
  txtTemp->SetText(view.path);
  txtTemp->SetForeColor(view.colour);
  txtTemp->SetToolTipText(view.tip);
  cmdTempFix->SetEnabled(view.NeedsFix());
  txtTemp->SetEnabled(view.Active());
  txtTemp->SetBackColor(view.Active() ? forms::kColorWindow : forms::kColorButtonFace);
}

void frmMain::txtTemp_Change() {
  // Once edited, the box stays marked even when the text is typed back.
  if (Trim(txtTemp->Text()) != txtTemp->Tag()) {
    txtTemp->SetForeColor(kWarningColour);
    cmdTempFix->SetEnabled(true);
  }
}

void frmMain::cmdTempFix_Click() {
  if (!Workstation.UserIsAdmin) {
    forms::MsgBox("You must be logged on to Windows as an Administrator to use this button", MB_ICONEXCLAMATION,
                  "Windows Security Error");
    return;
  }
  const std::string path = ReportTempFixPath(txtTemp->Text());
  const std::string version = Trim(cmdTempFix->Tag());
  // Nothing is created or stored for a path that does not name one folder wherever it is used; the
  // edit stays in the box to be corrected.
  if (const std::string refusal = ReportTempPathRefusal(path); !refusal.empty()) {
    forms::MsgBox(refusal, MB_ICONEXCLAMATION, kReportTempRefusalTitle);
    return;
  }
  MakePath(path);
  if (!FolderExists(path)) {
    forms::MsgBox("Failed to create path: " + path, MB_ICONERROR, "Folder Creation Error");
  } else {
    const std::string section = ReportTempSection(version);
    // A write the store refuses says why under the message; one that seemed to work is read back.
    std::string refused, stored;
    try {
      WriteMachineString(kOdbcApp, section, kTempPathValue, path);
      stored = ReadMachineString(kOdbcApp, section, kTempPathValue, "");
    } catch (const RuntimeError& e) {
      refused = "\r\n\r\n" + RegistryErrorText(e.what(), e.Number());
    }
    if (refused.empty() && stored == path)
      forms::MsgBox(ReportTempSetMessage(path), MB_ICONINFORMATION, "Report Temp Folder Setup OK");
    else
      forms::MsgBox(ReportTempWriteErrorMessage(path, version) + refused, MB_ICONERROR, "Registry Write Error");
  }
  ShowReportTemp(version);
}

void frmMain::RefreshCheckDataMenus() {
  struct Entry {
    const char* item;
    CheckDataReport report;
  };
  for (Entry e : {Entry{"mnuErrors", CheckDataReport::Errors}, Entry{"mnuWarnings", CheckDataReport::Warnings},
                  Entry{"mnuComments", CheckDataReport::Comments}}) {
    forms::MenuItem* item = mnuMenu->Find(e.item);
    if (!item) continue;
    const std::string file = CheckDataReportFile(Install.ReportsFolder, e.report);
    uint64_t size = 0;
    const bool found = FileExists(file) && FileSize(file, size);
    const uint64_t entries = found ? ReportEntryCount(size) : 0;
    item->enabled = entries > 0;
    item->caption = ReportMenuCaption(e.report, found, entries);
  }
  if (forms::MenuItem* item = mnuMenu->Find("mnuWatermark")) {
    const std::string file = WatermarkFile(Install.CompanyFolder);
    item->enabled = FileExists(file);
    item->caption =
        WatermarkMenuCaption(item->enabled, item->enabled ? ReadWholeFile(file, kMaxWatermarkBytes) : std::string());
  }
}

void frmMain::mnuWatermark_Click() {
  const std::string file = WatermarkFile(Install.CompanyFolder);
  if (!FileExists(file)) return;
  if (forms::MsgBox("Are you sure that you want to delete " + file + " ?", MB_YESNO | MB_ICONEXCLAMATION,
                    "Delete Watermark") == IDYES)
    DeleteFileA(file.c_str());
}

void frmMain::ShowInViewer(const std::string& file) {
  Viewer.ViewerFile = file;
  frmTextEdit viewer;
  viewer.ShowModal(this);
}

void frmMain::mnuCompany_Click() {
  ShowInViewer(CompanyFile(Install.SetupFolder, Install.ProgramFolder, App.DataVersion));
}

void frmMain::mnuSetupIni_Click() { ShowInViewer(SageIniFile(Install.SageSettingsFolder)); }

void frmMain::mnuErrors_Click() { ShowInViewer(CheckDataReportFile(Install.ReportsFolder, CheckDataReport::Errors)); }

void frmMain::mnuWarnings_Click() {
  ShowInViewer(CheckDataReportFile(Install.ReportsFolder, CheckDataReport::Warnings));
}

void frmMain::mnuComments_Click() {
  ShowInViewer(CheckDataReportFile(Install.ReportsFolder, CheckDataReport::Comments));
}

}  // namespace lw
