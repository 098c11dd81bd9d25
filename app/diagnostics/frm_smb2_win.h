// The SMB2 window: whether the SMB2 client driver runs, and switches that turn SMB2 file sharing
// off or on for this computer as a client and as a server. Every step is logged in the window;
// nothing takes effect before Windows restarts. Shown modally from the main window's tools menu.
#pragma once

#include "app/forms/forms_win.h"

namespace lw {

class frmSMB2 : public forms::Form {
 public:
  frmSMB2();
  // Creates the window and runs its load handler, which asks for the client state; the window
  // stays hidden.
  void Load();
  // Loads the window when it is not yet, and shows it modally; returns once it has closed.
  void ShowModal(forms::Form* owner);

  // The client button: its caption names what a click does, and is all the window keeps of the
  // client state it read when it opened.
  forms::CommandButton* Command1 = nullptr;
  forms::CommandButton* Command2 = nullptr;  // the server button
  forms::TextBox* Text1 = nullptr;           // the log of everything done in the window

  // Reads the server value and captions the server button from it.
  void ShowServerSmb2();

 private:
  bool Layout();
  void Form_Load();
  void Form_Resize();
  void Form_KeyPress(int& key);
  void Command1_Click();
  void Command2_Click();
  void AppendLog(const std::string& text);
};

}  // namespace lw
