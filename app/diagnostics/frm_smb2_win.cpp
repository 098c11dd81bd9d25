#include "app/diagnostics/frm_smb2_win.h"

#include "app/diagnostics/file_sharing_win.h"
#include "app/diagnostics/smb2.h"
#include "app/tools/command_runner_win.h"
#include "common/runtime_error.h"

namespace lw {

namespace {
constexpr int kMargin = 120;  // twips around the buttons and the log
constexpr int kButtonWidth = 2400, kButtonHeight = 375;
constexpr int kLogTop = kMargin + kButtonHeight + kMargin;
}  // namespace

frmSMB2::frmSMB2() : forms::Form("frmSMB2") {}

bool frmSMB2::Layout() {
  if (Loaded()) return true;
  if (!Create("Disable or Enable SMB2", 7200, 4800, forms::FormStyle::Sizable)) return false;
  // The log comes first in the tab order, so the focus does not start on a switch.
  Text1 = &AddTextBox("Text1", {kMargin, kLogTop, 7200 - 2 * kMargin, 4800 - kLogTop - kMargin}, "", nullptr,
                      forms::TextBox::MultiLine | forms::TextBox::ReadOnly);
  Command1 = &AddButton("Command1", {kMargin, kMargin, kButtonWidth, kButtonHeight}, "Client SMB2");
  Command2 = &AddButton("Command2", {2 * kMargin + kButtonWidth, kMargin, kButtonWidth, kButtonHeight}, "Server SMB2");
  Command1->onClick = [this] { Command1_Click(); };
  Command2->onClick = [this] { Command2_Click(); };
  // Esc leaves the window in any state; neither switch is a way out.
  SetKeyPreview(true);
  onKeyPress = [this](int& key) { Form_KeyPress(key); };
  onResize = [this] { Form_Resize(); };
  onLoad = [this] { Form_Load(); };
  return true;
}

void frmSMB2::Load() {
  if (Layout()) forms::Form::Load();
}

void frmSMB2::ShowModal(forms::Form* owner) {
  if (Layout()) forms::Form::ShowModal(owner);
}

void frmSMB2::Form_Load() {
  const ClientSmb2View view = ClientSmb2ViewOf(RunCommand(kClientSmb2Query));
  Command1->SetCaption(view.caption);
  Text1->SetText(view.log);
  // With nothing to switch, the client button only closes the window, and Enter presses it.
  if (view.caption == kExitCaption) SetDefaultButton(Command1);
  ShowServerSmb2();
}

void frmSMB2::ShowServerSmb2() {
  try {
    Command2->SetCaption(ServerSmb2Caption(GetLanManServerValue(kServerSmb2Value, kServerSmb2Absent)));
    Command2->SetEnabled(true);
  } catch (const RuntimeError& e) {
    // Without the value the window cannot tell which way the switch goes; the client side and the
    // log stay usable.
    Command2->SetEnabled(false);
    forms::MsgBox(ServerSmb2RegistryError(e.what(), e.Number(), false), MB_ICONERROR, "Registry Error");
  }
}

void frmSMB2::Command1_Click() {
  const std::string caption = Command1->Caption();
  if (caption == kExitCaption) {
    Unload();
    return;
  }
  const std::optional<ClientSmb2Switch> change = ClientSmb2SwitchFor(caption);
  if (!change) return;
  const std::string first = RunCommand(change->commands[0]);
  const std::string second = RunCommand(change->commands[1]);
  AppendLog(ClientSmb2SwitchLog(*change, first, second));
  // Whatever the commands reported: the log shows how they went.
  Command1->SetCaption(change->captionAfter);
}

void frmSMB2::Command2_Click() {
  const std::optional<ServerSmb2Switch> change = ServerSmb2SwitchFor(Command2->Caption());
  if (!change) return;
  try {
    SetLanManServerValue(kServerSmb2Value, change->value);
    AppendLog(change->log);
  } catch (const RuntimeError& e) {
    forms::MsgBox(ServerSmb2RegistryError(e.what(), e.Number(), true), MB_ICONERROR, "Registry Error");
  }
  ShowServerSmb2();
}

void frmSMB2::Form_Resize() {
  const Smb2LogSize size = Smb2LogSizeFor(ScaleWidth(), ScaleHeight(), Text1->Top());
  if (size.width) Text1->SetWidth(*size.width);
  if (size.height) Text1->SetHeight(*size.height);
}

void frmSMB2::Form_KeyPress(int& key) {
  if (key != VK_ESCAPE) return;
  key = 0;
  Unload();
}

// The newest entry is scrolled into view.
void frmSMB2::AppendLog(const std::string& text) {
  Text1->SetText(Text1->Text() + text);
  const LRESULT end = SendMessageA(Text1->Hwnd(), WM_GETTEXTLENGTH, 0, 0);
  SendMessageA(Text1->Hwnd(), EM_SETSEL, WPARAM(end), LPARAM(end));
  SendMessageA(Text1->Hwnd(), EM_SCROLLCARET, 0, 0);
}

}  // namespace lw
