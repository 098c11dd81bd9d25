#include "app/shell/frm_please_wait_win.h"

namespace lw {

frmPleaseWait::frmPleaseWait() : forms::Form("frmPleaseWait") {}

void frmPleaseWait::ShowModal(forms::Form* owner) {
  Create("", 2700, 660, forms::FormStyle::NoCaption);
  lblText = &AddLabel("lblText", {0, 180, 2700, 300}, ">> Please Wait <<", nullptr, forms::Align::Center);
  lblText->SetFont("Tahoma", 10, true);
  Timer1 = &AddTimer("Timer1", 3000, true);
  Timer1->onTimer = [this] { Unload(); };
  SetKeyPreview(true);
  onKeyPress = [this](int&) { Unload(); };
  onLoad = [this] { Form_Load(); };
  forms::Form::ShowModal(owner);
}

void frmPleaseWait::Form_Load() { MessageBeep(MB_OK); }

}  // namespace lw
