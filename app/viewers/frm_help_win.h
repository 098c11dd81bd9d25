// The help viewer: the program's documentation, help.rtf in its own folder, to read and print.
#pragma once

#include "app/forms/forms_win.h"

namespace lw {

class frmHelp : public forms::Form {
 public:
  frmHelp();
  // Creates the window and runs its load handler; ShowModal loads it first as well.
  void Load();
  void ShowModal(forms::Form* owner = nullptr);

  forms::PictureBox* picPrint;
  forms::Label* lblPrint;
  forms::RichTextBox* rtbHelp;

 private:
  void Layout();
  void Form_Load();
  void Form_Resize();
  void picPrint_Click();
  void lblPrint_Click();
};

// Whether the program's folder holds the help document, which the first run shows.
bool HelpFileExists();

}  // namespace lw
