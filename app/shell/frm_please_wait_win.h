// A small self-closing notice shown while the shell starts a browser or mail program.
#pragma once

#include "app/forms/forms_win.h"

namespace lw {

class frmPleaseWait : public forms::Form {
 public:
  frmPleaseWait();
  // Shows the notice modally; returns once it has closed itself (3 seconds, or any key).
  void ShowModal(forms::Form* owner = nullptr);

  forms::Label* lblText = nullptr;
  forms::Timer* Timer1 = nullptr;

 private:
  void Form_Load();
};

}  // namespace lw
