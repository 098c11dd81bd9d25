// The main window's diagnostic report entries of the tools menu: the report of what the window
// shows, saved to a file or copied to the clipboard.
#include "app/datafiles/data_files_win.h"
#include "app/sdo/speed_tests.h"
#include "app/shell/diagnostic_report_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/tools/shell_win.h"
#include "app/tools/text.h"
#include "common/product.h"

namespace lw {

namespace {

LabelView Shown(const forms::Label& label) { return {label.Caption(), label.ForeColor(), label.ToolTipText()}; }

}  // namespace

DiagnosticFacts frmMain::ShownDiagnostics() const {
  DiagnosticFacts facts;
  StampReport(facts);
  facts.dataPath = txtPath->Text();
  facts.company = lblName->Caption();
  SagePanelsView& p = facts.panels;
  for (auto [shown, label] :
       {std::pair{&p.ver, lblVer}, std::pair{&p.sdoCaption, Label11}, std::pair{&p.sdo, lblSdo},
        std::pair{&p.sbd, lblSbd}, std::pair{&p.rep, lblRep}, std::pair{&p.progPath, lblProgPath},
        std::pair{&p.setPath, lblSetPath}, std::pair{&p.repPath, lblRepPath}, std::pair{&p.serial, lblSerial},
        std::pair{&p.progType, lblProgType}, std::pair{&p.sagVer, lblSagVer}, std::pair{&p.net, lblNet},
        std::pair{&p.counts, lblCounts}})
    *shown = Shown(*label);
  for (int i = 0; i < lviUpdates->ItemCount(); ++i)
    p.updates.push_back({lviUpdates->Item(i).text, lviUpdates->Item(i).toolTip});
  for (int i = 0; i < lviQueue->ItemCount(); ++i)
    facts.loggedIn.push_back(lviQueue->Item(i).text + "  " + lviQueue->Item(i).toolTip);
  facts.login = Shown(*lblRecs);
  if (!Trim(facts.company).empty()) facts.users = DataFiles.UserList;
  facts.sageIniFolder = Install.SageSettingsFolder;

  facts.windowsVersion = Shown(*lblWvr);
  facts.processor = Shown(*lblProc);
  facts.antiVirus = Shown(*lblAvp);
  facts.memory = Shown(*lblMem);
  const forms::MenuItem* smb2 = mnuMenu->Find("mnuSMB2");
  facts.smb2MenuVisible = smb2 && smb2->visible;
  facts.oplocks = {Shown(*lblOpDis), Shown(*lblEnOp)};
  facts.signing = {Shown(*lblSMBwe), Shown(*lblSMBwr), Shown(*lblSMBse), Shown(*lblSMBsr)};
  // The box as it is now, an edit included: what a screenshot of the window would show.
  ReportTempView& temp = facts.reportTemp;
  temp.caption = fraTemp->Caption();
  temp.path = txtTemp->Text();
  temp.colour = txtTemp->ForeColor();
  temp.tip = txtTemp->ToolTipText();
  // The speed test's lines: each test of this run that has shown its rate, by the test's name.
  for (int i = 0; i < kAllTests; ++i)
    if (!Trim(lblRps[i]->Caption()).empty()) facts.speedTest.push_back({SpeedTestOf(i).name, Shown(*lblRps[i])});
  return facts;
}

void frmMain::mnuSaveReport_Click() {
  const std::string file = forms::ShowSaveFileDialog(Hwnd(), "Save Diagnostic Report", "Text Files (*.txt)|*.txt",
                                                     std::string(kAppTitle) + " Diagnostic Report.txt");
  if (file.empty()) return;
  std::string error;
  if (!WriteReportFile(file, DiagnosticReportText(ShownDiagnostics()), error))
    forms::MsgBox(error, MB_ICONERROR, "Save Diagnostic Report");
}

void frmMain::mnuCopyReport_Click() {
  if (!CopyTextToClipboard(Hwnd(), DiagnosticReportText(ShownDiagnostics())))
    forms::MsgBox("The diagnostic report could not be copied: another program holds the clipboard.", MB_ICONERROR,
                  "Copy Diagnostic Report");
}

}  // namespace lw
