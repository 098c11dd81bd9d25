#include "app/viewers/print_win.h"

#include <richedit.h>

#include <algorithm>

namespace lw {

namespace {

constexpr int kMarginTwips = 1080;  // three quarters of an inch around the text

int Twips(int pixels, int dpi) { return dpi > 0 ? MulDiv(pixels, 1440, dpi) : 0; }

// The area the text is laid out in, in twips from the printable area's corner (the device's
// origin): the page less the margin, or the printable area where the printer keeps a wider one.
RECT TextArea(HDC dc) {
  const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  const int width = Twips(GetDeviceCaps(dc, HORZRES), dpiX), height = Twips(GetDeviceCaps(dc, VERTRES), dpiY);
  const int offsetX = Twips(GetDeviceCaps(dc, PHYSICALOFFSETX), dpiX);
  const int offsetY = Twips(GetDeviceCaps(dc, PHYSICALOFFSETY), dpiY);
  const int left = std::max(0, kMarginTwips - offsetX), top = std::max(0, kMarginTwips - offsetY);
  return {left, top, std::max(left, width - left), std::max(top, height - top)};
}

}  // namespace

int FormatPages(const forms::RichTextBox& box, HDC dc, CharRange range, const std::function<bool()>& pageStart,
                const std::function<bool()>& pageEnd) {
  FORMATRANGE format{};
  format.hdc = format.hdcTarget = dc;
  format.rc = TextArea(dc);
  format.rcPage = {0, 0, Twips(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, LOGPIXELSX)),
                   Twips(GetDeviceCaps(dc, VERTRES), GetDeviceCaps(dc, LOGPIXELSY))};
  int pages = 0;
  for (long start = range.first; start < range.end;) {
    if (!pageStart()) break;
    format.chrg = {start, range.end};
    const auto printedTo =
        static_cast<long>(SendMessageA(box.Hwnd(), EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&format)));
    ++pages;
    if (!pageEnd()) break;
    start = NextPageStart(start, printedTo, range.end);
  }
  SendMessageA(box.Hwnd(), EM_FORMATRANGE, FALSE, 0);  // the control lets go of its layout cache
  return pages;
}

void PrintRichTextBox(forms::RichTextBox& box, const std::string& documentName, bool letEventsRun) {
  const long selStart = box.SelStart(), selLength = box.SelLength();
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = box.ParentForm().Hwnd();
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS;
  if (selLength <= 0)
    dialog.Flags |= PD_NOSELECTION;
  else if (forms::MsgBox(kPartialPrintQuestion, MB_YESNO | MB_ICONQUESTION, kPartialPrintTitle) == IDYES)
    dialog.Flags |= PD_SELECTION;
  const bool chosen = forms::ShowPrintDialog(dialog);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  if (!chosen || !dialog.hDC) return;
  HDC dc = dialog.hDC;
  const CharRange range = RangeToPrint(selStart, selLength, box.TextLength(), (dialog.Flags & PD_SELECTION) != 0);
  DOCINFOA document{};
  document.cbSize = sizeof document;
  document.lpszDocName = documentName.c_str();
  if (StartDocA(dc, &document) > 0) {
    bool failed = false;
    FormatPages(
        box, dc, range, [&] { return !(failed = StartPage(dc) <= 0); }, [&] { return !(failed = EndPage(dc) <= 0); });
    if (letEventsRun) forms::DoEvents();
    if (failed)
      AbortDoc(dc);
    else
      EndDoc(dc);
  }
  DeleteDC(dc);
}

}  // namespace lw
