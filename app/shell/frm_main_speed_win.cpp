// The main window's speed test: the button, "All Tests", and one run of a test through the
// engine. What a run does and shows is decided in app/sdo/speed_run.h; here it meets the window,
// the clock and the journal's file.
#include "app/discovery/data_path_texts.h"
#include "app/discovery/setup_dta_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/sdo/speed_journal_win.h"
#include "app/sdo/speed_run.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/speed_put_back_win.h"
#include "app/state/app_state.h"
#include "app/state/program_win.h"
#include "app/state/settings_win.h"
#include "app/tools/colours.h"

namespace lw {

namespace {

// The run's view of the window: lblSpeed and PBar, the Stop button, the clock and the journal.
class WindowRunHost : public SpeedRunHost {
 public:
  explicit WindowRunHost(frmMain& form) : form_(form) {}
  double Now() override { return SecondsSinceMidnight(); }
  void Show(const SpeedView& view) override {
    form_.ShowSpeed(view);
    forms::DoEvents();
  }
  // A Windows session that ends takes the window with it: the run stops (and puts back what it wrote).
  bool StopRequested() override { return form_.StopRequested || forms::ProgramEnded(); }
  bool SaveJournal(const SpeedJournal& journal) override { return SaveSpeedJournal(journal); }
  void RemoveJournal() override { RemoveSpeedJournal(); }

 private:
  frmMain& form_;
};

}  // namespace

void frmMain::cmdSpeed_Click() {
  SetBusy(true);
  lblMem_Click();
  if (SelectedTest != kAllTests) {
    RunSpeedTest();
  } else {
    for (int i = 0; i < kAllTests; ++i) {
      // Selecting the option runs its click handler: the log-in check counts that test's records.
      optTest[i]->SetValue(true);
      RunSpeedTest();
      if (StopRequested) break;
      lblMem_Click();
    }
    optTest[kAllTests]->SetValue(true);
  }
  SetBusy(false);
}

void frmMain::ShowSpeed(const SpeedView& view) {
  if (view.bar) PBar->SetValue(*view.bar);
  lblSpeed->SetCaption(view.rate);
  lblSpeed->SetForeColor(view.colour);
}

void frmMain::RunSpeedTest() {
  const int index = SelectedTest;
  const SpeedTest& test = SpeedTestOf(index);
  StopRequested = false;
  // A write test never runs while the originals of an earlier one are still to be put back.
  if (test.writeField && !OfferSpeedTestPutBack()) {
    ShowMessage(std::string("The ") + test.caption + " test runs once the original values of the last speed test " +
                    "are put back.",
                MB_ICONEXCLAMATION, "");
    return;
  }

  const std::string version = GetDataVersion(txtPath->Text());
  ShowLabel(*lblVer, DataVersionView(Setup.ProgramType, version));
  if (CheckSdoVersion(version)) return;
  App.DataVersion = version;
  App.DataPath = DataPathForStorage(txtPath->Text());
  SaveAppSetting("DataPath", App.DataPath);
  forms::DoEvents();
  if (!CheckSdoLogin(true)) return;

  PBar->SetMax(static_cast<int>(kSpeedTestDuration));
  PBar->SetValue(0);
  SdoRecord record;
  long count = 0;
  if (Sdo.Workspace.CreateObject(test.className, record)) count = record.Count().value_or(0);
  ShowLabel(*lblRecs, {RunRecordsText(test.name, count), kNormalColour, ""});
  ShowSpeed(StartView());
  const long passRecords = PassRecords(test, count);
  if (const std::string refusal = TooFewRecordsText(test, passRecords); !refusal.empty()) {
    ShowMessage(refusal, MB_OK, "");
    record.Release();
    CloseSdoSession();
    return;
  }

  SdoSpeedRecords records(record);
  WindowRunHost host(*this);
  const SpeedRunResult result = RunSpeedPasses(test, App.DataPath, passRecords, records, host);
  record.Release();
  CloseSdoSession();
  if (result.timed) {
    PBar->SetValue(PBar->Max());
    ShowSpeed({std::nullopt, result.rate, result.colour});
    lblRps[size_t(index)]->SetCaption(lblSpeed->Caption());
  }
  forms::DoEvents();
  if (const std::string report = WriteRunReport(test, result); !report.empty())
    ShowMessage(report, MB_ICONEXCLAMATION, "");
}

}  // namespace lw
