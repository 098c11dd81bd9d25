// The main window: the one long-lived window, hosting the panels the other subsystems fill.
#pragma once

#include <array>

#include "app/forms/forms_win.h"
#include "app/sdo/speed_run.h"
#include "app/shell/diagnostic_report.h"
#include "app/shell/main_view.h"
#include "app/updates/frm_get_rss_win.h"

namespace lw {

class frmMain : public forms::Form {
 public:
  frmMain();
  // Creates the window and runs the load handler, which shows it.
  void Load();
  // The one way into and out of the busy state of the long operations.
  void SetBusy(bool busy);
  // Logs in with the user name and password boxes and shows the outcome beside them and in
  // lblRecs; keepOpen leaves a successful session open for the caller.
  bool CheckSdoLogin(bool keepOpen);
  // The oplock and SMB signing frames from the registry; each enables its fix when a value is bad.
  void ShowOplocks();
  void ShowSigning();
  // The report temporary folder frame for a Sage 50 version ("0": no data folder).
  void ShowReportTemp(const std::string& version);
  // The check-data entries of the tools menu: available when their files are, with their counts.
  void RefreshCheckDataMenus();
  // Everything the window shows, for the diagnostic report.
  DiagnosticFacts ShownDiagnostics() const;
  // The RSS check's answer: true when a newer version is known, false when its window closed.
  void RssResult(bool found);
  // The speed test's progress: PBar and the rate in lblSpeed.
  void ShowSpeed(const SpeedView& view);

  // Set by "Stop"; a running speed test ends when it sees it.
  bool StopRequested = false;
  // The index of the chosen speed test.
  int SelectedTest = 5;
  // The workstation as the "Windows Info" frame shows it: the version text and processor width,
  // the anti-virus makers (non-empty: refreshed on every tick) and the anti-virus colour.
  std::string OsDetails;
  std::string AvCompanies;
  uint32_t AvColour = 0;
  std::string CpuWidth;

  // Top row
  forms::Label* lblPath;
  forms::TextBox* txtPath;
  forms::CommandButton* cmdBrowse;
  forms::Label *Label4, *lblName, *Label5, *Label6, *Label9, *lblVer;
  forms::TextBox *txtUser, *txtPw;
  std::array<forms::Image*, 2> imgCross, imgTick;
  forms::PictureBox* picAutoRefresh;
  forms::CheckBox* chkRfrsh;
  forms::Label* Label23;
  forms::PictureBox *picBulbY, *picBulbR, *picLogo;
  // Panels
  forms::Frame *fraQueue, *fraUpdates, *fraCounts, *Frame2, *fraTemp, *fraSmb, *Frame1, *fraInfo, *fraSpeed;
  forms::ListView *lviQueue, *lviUpdates;
  forms::Label* lblCounts;
  forms::Label *Label17, *lblWvr, *Label24, *lblProc, *Label12, *lblAvp, *Label22, *lblMem;
  forms::TextBox* txtTemp;
  forms::CommandButton *cmdTempFix, *cmdSMBfix, *cmdOpFix;
  forms::Label *Label3, *lblOpDis, *Label13, *lblEnOp;
  forms::Label *Label15, *lblSMBwe, *Label18, *lblSMBwr, *Label19, *lblSMBse, *Label20, *lblSMBsr;
  forms::Label *Label2, *lblProgPath, *Label8, *lblSetPath, *Label16, *lblRepPath, *Label10, *lblSerial, *Label14,
      *lblProgType, *Label7, *lblSagVer, *Label11, *lblSdo, *Label25, *lblSbd, *Label26, *lblRep;
  std::array<forms::OptionButton*, 6> optTest;
  forms::CommandButton* cmdSpeed;
  forms::ProgressBar* PBar;
  forms::Label *lblNet, *Label1, *lblRecs, *lblSpeed;
  std::array<forms::Label*, kAllTests> lblRps;  // each test's last rate, beside its option
  // Buttons
  forms::PictureBox* picButtons;
  forms::CommandButton *cmdMenu, *cmdAbout, *cmdExit;
  forms::Timer* Timer1;
  // The tools menu, popped up by cmdMenu.
  forms::Menu* mnuMenu;

 private:
  void Form_Load();
  void Form_Unload(bool& cancel);
  void Timer1_Timer();
  void chkRfrsh_Click();
  void cmdExit_Click();
  void cmdAbout_Click();
  void cmdMenu_Click();
  void optTest_Click(int index);
  void cmdSpeed_Click();
  // One run of the chosen test (0 to 4).
  void RunSpeedTest();
  void txtUser_Change();
  void txtPw_Change();
  void txtPath_Change();
  void txtPath_LostFocus();
  void lblPath_DblClick();
  void cmdBrowse_Click();
  void picLogo_Click();
  void lviQueue_ItemClick(int item);
  void lblAvp_Click();
  void lblMem_Click();
  void cmdOpFix_Click();
  void cmdSMBfix_Click();
  void txtTemp_Change();
  void cmdTempFix_Click();
  void mnuWatermark_Click();
  void mnuSMB2_Click();
  void mnuCompany_Click();
  void mnuSetupIni_Click();
  void mnuErrors_Click();
  void mnuWarnings_Click();
  void mnuComments_Click();
  void mnuSaveReport_Click();
  void mnuCopyReport_Click();
  // Shows the file in the text viewer, modally, and returns once it is closed.
  void ShowInViewer(const std::string& file);
  void picBulbY_Click();
  // A new RSS check window, or null while the last one is still open.
  frmGetRss* NewRssWindow();
  // Brings lviQueue in line with the login queue read last, or empties it.
  void RefreshQueueList(bool clearOnly);
  // The analysis of a path that is not a data folder, and of one that is.
  void ShowNoDataFolder();
  void ShowDataFolder(const std::string& path);
  void ShowSagePanels(const SagePanelsView& view);
  void ShowLogin(const LoginView& view);
  static void ShowLabel(forms::Label& label, const LabelView& view);
  void Layout();

  bool rightButtonHeld_ = false;  // over lviQueue: an item click then asks to clear the user
  std::unique_ptr<frmGetRss> rssWindow_;  // the RSS check, in the background or from the bulb
};

}  // namespace lw
