#include "app/viewers/frm_text_edit_win.h"

#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/viewers/print_win.h"
#include "app/viewers/text_viewer.h"

namespace lw {

namespace {

// The exclusion box's place in its panel; Form_Resize only widens it.
constexpr forms::Rect kExcBox{840, 30, 3000, 315};

// The screen as the window may use it, in twips: every monitor's area together.
Placement ScreenArea() {
  return {forms::PixelsToTwipsX(GetSystemMetrics(SM_XVIRTUALSCREEN)),
          forms::PixelsToTwipsY(GetSystemMetrics(SM_YVIRTUALSCREEN)),
          forms::PixelsToTwipsX(GetSystemMetrics(SM_CXVIRTUALSCREEN)),
          forms::PixelsToTwipsY(GetSystemMetrics(SM_CYVIRTUALSCREEN))};
}

}  // namespace

frmTextEdit::frmTextEdit() : forms::Form("frmTextEdit") {}

void frmTextEdit::Layout() {
  using forms::Rect;
  Create("", 10560, 6960, forms::FormStyle::Sizable);
  rtbMain = &AddRichTextBox("rtbMain", {0, 0, 10560, 6480});
  picBottom = &AddPicture("picBottom", {0, 6600, 6555, 375});
  lblExc = &AddLabel("lblExc", {0, 60, 780, 255}, "Exclude", picBottom, forms::Align::Right);
  txtExc = &AddTextBox("txtExc", kExcBox, "", picBottom);
  picButtons = &AddPicture("picButtons", {6555, 6600, 3885, 375});
  cmdPrint = &AddButton("cmdPrint", {0, 0, 1215, 375}, "Print", picButtons);
  cmdSave = &AddButton("cmdSave", {1335, 0, 1215, 375}, "Save", picButtons);
  cmdCancel = &AddButton("cmdCancel", {2670, 0, 1215, 375}, "Cancel", picButtons);
  txtExc->SetToolTipText("Lines holding this text (three characters or more, in any case) are hidden.");

  // Esc leaves the window as Cancel does; Enter stays in the text.
  SetCancelButton(cmdCancel);
  rtbMain->onChange = [this] { rtbMain_Change(); };
  txtExc->onChange = [this] { txtExc_Change(); };
  cmdSave->onClick = [this] { cmdSave_Click(); };
  cmdCancel->onClick = [this] { cmdCancel_Click(); };
  cmdPrint->onClick = [this] { cmdPrint_Click(); };
  onLoad = [this] { Form_Load(); };
  onResize = [this] { Form_Resize(); };
  onUnload = [this](bool& cancel) { Form_Unload(cancel); };
}

void frmTextEdit::Load() {
  if (!Loaded()) Layout();
  forms::Form::Load();
}

void frmTextEdit::ShowModal(forms::Form* owner) {
  if (!Loaded()) Layout();
  forms::Form::ShowModal(owner);
}

void frmTextEdit::Form_Load() {
  const Placement at =
      RestoredPlacement(GetAppSetting(PlacementKey("Left"), ""), GetAppSetting(PlacementKey("Top"), ""),
                        GetAppSetting(PlacementKey("Width"), ""), GetAppSetting(PlacementKey("Height"), ""), ScreenArea());
  Move(at.left, at.top, at.width, at.height);
  Form_Resize();

  const std::string& file = Viewer.ViewerFile;
  IsCompanyFile = lw::IsCompanyFile(file);
  IsReport = lw::IsReport(file);
  cmdSave->SetVisible(!IsReport);
  if (IsReport) cmdPrint->SetLeft(cmdSave->Left());
  lblExc->SetVisible(IsReport);
  txtExc->SetVisible(IsReport);

  SetCaption(file);
  const bool exists = FileExists(file);
  const ViewerText view =
      ViewOfFile(file, exists, exists ? ReadWholeFileIfReadable(file, kMaxViewerFileBytes) : std::nullopt);
  ReportLines = view.reportLines;
  saveable_ = view.saveable;
  rtbMain->SetLocked(view.readOnly);
  rtbMain->SetText(view.text);
  // The control's own form of the text (its line ends) is the loaded text.
  Content = rtbMain->Text();
  rtbMain_Change();
}

void frmTextEdit::Form_Resize() {
  if (WindowState() == 1) return;
  const TextEditLayout l =
      LayoutTextEdit(ScaleWidth(), ScaleHeight(), picButtons->Width(), picButtons->Height(), kExcBox);
  rtbMain->Move(l.rtbMain.left, l.rtbMain.top, l.rtbMain.width, l.rtbMain.height);
  picButtons->Move(l.picButtons.left, l.picButtons.top, l.picButtons.width, l.picButtons.height);
  picBottom->Move(l.picBottom.left, l.picBottom.top, l.picBottom.width, l.picBottom.height);
  txtExc->Move(l.txtExc.left, l.txtExc.top, l.txtExc.width, l.txtExc.height);
}

void frmTextEdit::Form_Unload(bool&) {
  if (!StoresPlacement(WindowState())) return;
  SaveUserSetting(PlacementKey("Left"), std::to_string(Left()));
  SaveUserSetting(PlacementKey("Top"), std::to_string(Top()));
  SaveUserSetting(PlacementKey("Width"), std::to_string(Width()));
  SaveUserSetting(PlacementKey("Height"), std::to_string(Height()));
}

void frmTextEdit::rtbMain_Change() {
  const ChangeView view = ChangeViewOf(rtbMain->Text(), Content, saveable_);
  rtbMain->SetBackColor(view.backColour);
  cmdSave->SetEnabled(view.saveEnabled);
}

void frmTextEdit::txtExc_Change() {
  if (IsReport) rtbMain->SetText(FilteredReport(ReportLines, Content, txtExc->Text()));
}

void frmTextEdit::cmdSave_Click() {
  if (!saveable_) return;
  const std::string& file = Viewer.ViewerFile;
  // The company file is saved, and shown, with its line ends normalised.
  if (IsCompanyFile) rtbMain->SetText(TextToSave(file, rtbMain->Text()));
  const std::string text = rtbMain->Text();
  if (const std::string failure = ReplaceFileContents(file, text); !failure.empty()) {
    forms::MsgBox(SaveFailedMessage(file, failure), MB_ICONEXCLAMATION, kSaveFailedTitle);
    return;
  }
  Content = text;
  Unload();
}

void frmTextEdit::cmdCancel_Click() { Unload(); }

void frmTextEdit::cmdPrint_Click() { PrintRichTextBox(*rtbMain, Caption(), true); }

}  // namespace lw
