// The About window: the program's identity and versions, the publisher's addresses, and the
// update flow through the update component it owns for as long as it is loaded.
#pragma once

#include <string>

#include "app/forms/forms_win.h"
#include "app/updates/update_component_win.h"

namespace lw {

class frmAbout : public forms::Form {
 public:
  frmAbout();
  ~frmAbout() override;
  // Creates the window and runs its load handler; Show and ShowModal load it first as well.
  void Load();
  void ShowModal(forms::Form* owner = nullptr);

  forms::Label *lblTitle, *lblVersion, *lblRegion, *lblCopyright, *lblTrade;
  forms::Label *lblWb, *lblWeb, *lblEm, *lblEmail;
  forms::Label* lblUpdate;
  forms::CommandButton *cmdWebUpdate, *cmdOK;
  // The update component; empty when it cannot be created (the update button then says so).
  UpdateComponent oKiv;

  // The last update report and the time of the last check, as loaded from the settings.
  std::string UpdateLog;
  std::string UpdateChk;

  // The component's events.
  void oKiv_CheckDone(long newFiles, long errorCode, const std::string& errorText);
  void oKiv_DownloadDone(long errorCode, const std::string& errorText);
  void oKiv_UpdateDone(long errorCode, const std::string& errorText);
  void oKiv_CloseApp();
  void oKiv_PrevDetected();

 private:
  void Layout();
  void Form_Load();
  void Form_Unload(bool& cancel);
  void cmdOK_Click();
  void cmdWebUpdate_Click();
  void cmdWebUpdate_MouseUp(int button);
  void lblUpdate_DblClick();
  void lblWeb_Click();
  void lblEmail_Click();
  // "Update Check Failed", the component's text in a message box, and the window usable again.
  void ShowFailure(const std::string& errorText);
  // Asks whether to turn the RSS version checking on (when it is off) or off; Yes switches it.
  void AskInternetSwitch(bool offerOffToo);
  void CreateComponent();
};

// The document version an RTF file carries in its text; empty when it has none or is missing.
std::string GetDocVersion(const std::string& path);
// The file's last-write time as "yyyymmddhhnnss", empty when it does not exist.
std::string FileStampText(const std::string& path);
// The file's length in bytes, empty when it does not exist.
std::string FileSizeText(const std::string& path);
// Now, as "UpdateChk" stores it ("dd/mm/yyyy hh:nn").
std::string CheckTimeNow();
// The company of the data in use, for the check request.
CheckRequestCompany CurrentCompanyDetails();

}  // namespace lw
