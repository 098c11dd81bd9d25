#include "app/viewers/frm_help_win.h"

#include "app/tools/files_win.h"
#include "app/viewers/help_viewer.h"
#include "app/viewers/print_win.h"

namespace lw {

namespace {

constexpr int kDesignWidth = 11400;  // client area, twips
constexpr int kPrintStrip = 420;     // the print picture and label above the document

std::string OwnExecutable() {
  char path[MAX_PATH] = {};
  return std::string(path, GetModuleFileNameA(nullptr, path, sizeof path));
}

// A printer drawn in the picture: its body, the paper going in at the top and coming out in front.
void DrawPrinter(HDC dc, const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  auto at = [&](int x, int y) { return POINT{r.left + w * x / 12, r.top + h * y / 12}; };
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  POINT a = at(3, 1), b = at(9, 5);
  Rectangle(dc, a.x, a.y, b.x, b.y);
  SelectObject(dc, GetStockObject(GRAY_BRUSH));
  a = at(1, 4), b = at(11, 9);
  Rectangle(dc, a.x, a.y, b.x, b.y);
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  a = at(3, 7), b = at(9, 11);
  Rectangle(dc, a.x, a.y, b.x, b.y);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

}  // namespace

bool HelpFileExists() { return FileExists(HelpFile(ProgramFolder())); }

frmHelp::frmHelp() : forms::Form("frmHelp") {}

void frmHelp::Layout() {
  Create("Documentation", kDesignWidth, 8000, forms::FormStyle::Sizable);
  picPrint = &AddPicture("picPrint", {120, 60, 300, 300});
  picPrint->onPaint = DrawPrinter;
  picPrint->SetToolTipText("Print the documentation, or the part of it that is selected.");
  lblPrint = &AddLabel("lblPrint", {480, 90, 900, 255}, "Print");
  rtbHelp = &AddRichTextBox("rtbHelp", {0, kPrintStrip, kDesignWidth, 8000 - kPrintStrip}, nullptr,
                            forms::RichTextBox::ReadOnly);

  // No button to press: Esc closes the window.
  SetKeyPreview(true);
  onKeyPress = [this](int& key) {
    if (key == VK_ESCAPE) Unload();
  };
  picPrint->onClick = [this] { picPrint_Click(); };
  lblPrint->onClick = [this] { lblPrint_Click(); };
  onLoad = [this] { Form_Load(); };
  onResize = [this] { Form_Resize(); };
}

void frmHelp::Load() {
  if (!Loaded()) Layout();
  forms::Form::Load();
}

void frmHelp::ShowModal(forms::Form* owner) {
  if (!Loaded()) Layout();
  forms::Form::ShowModal(owner);
}

void frmHelp::Form_Load() {
  SetCaption(HelpCaption(GetFileVersionString(OwnExecutable(), "ProductName")));
  const std::string file = HelpFile(ProgramFolder());
  if (!FileExists(file)) {
    rtbHelp->SetText(HelpMissingText(file));
  } else {
    const std::optional<std::string> document = ReadWholeFileIfReadable(file, kMaxHelpBytes);
    if (!document || !rtbHelp->LoadRichText(*document)) rtbHelp->SetText(HelpUnreadableText(file));
  }
  const int screenWidth = forms::PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN));
  const int screenHeight = forms::PixelsToTwipsY(GetSystemMetrics(SM_CYSCREEN));
  const WindowSize size = HelpWindowSize(Width(), screenWidth, screenHeight);
  Move((screenWidth - size.width) / 2, (screenHeight - size.height) / 2, size.width, size.height);
  Form_Resize();
}

void frmHelp::Form_Resize() {
  if (WindowState() == 1) return;
  rtbHelp->Move(0, kPrintStrip, ScaleWidth(), ScaleHeight() - kPrintStrip);
}

void frmHelp::picPrint_Click() { PrintRichTextBox(*rtbHelp, Caption(), false); }

void frmHelp::lblPrint_Click() { PrintRichTextBox(*rtbHelp, Caption(), false); }

}  // namespace lw
