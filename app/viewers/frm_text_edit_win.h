// The text viewer and editor: shows the file named by Viewer.ViewerFile, a report of the package's
// data check with its exclusion filter, or the company file or sage.ini to edit and save.
#pragma once

#include <string>
#include <vector>

#include "app/forms/forms_win.h"

namespace lw {

class frmTextEdit : public forms::Form {
 public:
  frmTextEdit();
  // Creates the window and runs its load handler; ShowModal loads it first as well.
  void Load();
  void ShowModal(forms::Form* owner = nullptr);

  forms::RichTextBox* rtbMain;
  forms::PictureBox *picButtons, *picBottom;
  forms::Label* lblExc;
  forms::TextBox* txtExc;
  forms::CommandButton *cmdPrint, *cmdSave, *cmdCancel;

  // The text as loaded, later as saved: what edits are measured against, and a report's
  // unfiltered view.
  std::string Content;
  bool IsCompanyFile = false;
  bool IsReport = false;
  std::vector<std::string> ReportLines;

 private:
  void Layout();
  void Form_Load();
  void Form_Resize();
  void Form_Unload(bool& cancel);
  void rtbMain_Change();
  void txtExc_Change();
  void cmdSave_Click();
  void cmdCancel_Click();
  void cmdPrint_Click();

  bool saveable_ = false;  // the file shown can take the edits back
};

}  // namespace lw
