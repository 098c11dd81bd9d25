#include "component/progress_window_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "component/module_win.h"

namespace updara {
namespace {

constexpr int kStatusLine = 201, kFileLabel = 202, kByteLabel = 203, kBar = 204;
constexpr COLORREF kBandGrey = RGB(240, 240, 240);
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

// A picture decoded into 32-bit rows, top row first: drawn straight from memory, so windows on
// several threads can share it without a bitmap being selected into two DCs.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;

  void Draw(HDC dc, int x, int y) const {
    if (pixels.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, x, y, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), pixels.data(), &info,
                      DIB_RGB_COLORS);
  }
};
Picture g_header, g_highlight, g_separator;
std::once_flag g_picturesLoaded;

// A GIF resource of the DLL through the system's picture loader.
Picture DecodePicture(int id) {
  Picture out;
  HRSRC found = FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(id), "GIF");
  HGLOBAL loaded = found ? LoadResource(ModuleInstance(), found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(ModuleInstance(), found) : 0;
  if (!bytes || size == 0) return out;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy) return out;
  memcpy(GlobalLock(copy), bytes, size);
  GlobalUnlock(copy);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(copy, TRUE, &stream))) {
    GlobalFree(copy);
    return out;
  }
  IPicture* picture = nullptr;
  OLE_HANDLE handle = 0;
  if (SUCCEEDED(OleLoadPicture(stream, LONG(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))) &&
      SUCCEEDED(picture->get_Handle(&handle))) {
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP facts{};
    if (GetObjectA(bitmap, sizeof facts, &facts) && facts.bmWidth > 0 && facts.bmHeight > 0) {
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), facts.bmWidth, -facts.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      std::vector<std::uint32_t> pixels(size_t(facts.bmWidth) * size_t(facts.bmHeight));
      HDC screen = GetDC(nullptr);
      if (GetDIBits(screen, bitmap, 0, UINT(facts.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) == facts.bmHeight) {
        out.width = facts.bmWidth;
        out.height = facts.bmHeight;
        out.pixels = std::move(pixels);
      }
      ReleaseDC(nullptr, screen);
    }
  }
  if (picture) picture->Release();
  stream->Release();
  return out;
}

HFONT Verdana(int points, bool bold) {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Verdana");
}

// The command registered for ".htm" documents: under the extension itself, else under its class.
std::string HtmOpenCommand() {
  auto read = [](const std::string& key) -> std::string {
    char value[2048] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return {};
    return std::string(value);
  };
  std::string command = read(".htm\\shell\\open\\command");
  if (command.empty()) {
    const std::string docClass = read(".htm");
    if (!docClass.empty()) command = read(docClass + "\\shell\\open\\command");
  }
  return command;
}

void FillRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  const RECT r{left, top, right, bottom};
  ::FillRect(dc, &r, brush);
  DeleteObject(brush);
}

}  // namespace

ProgressFonts::ProgressFonts() : file_(Verdana(8, true)), note_(Verdana(7, false)) {}
ProgressFonts::~ProgressFonts() {
  if (file_) DeleteObject(file_);
  if (note_) DeleteObject(note_);
}

void LoadProgressPictures() {
  std::call_once(g_picturesLoaded, [] {
    g_header = DecodePicture(IDR_PROGRESS_HEADER);
    g_highlight = DecodePicture(IDR_PROGRESS_HIGHLIGHT);
    g_separator = DecodePicture(IDR_PROGRESS_SEPARATOR);
  });
}

ProgressWindow::ProgressWindow(ProgressSetup setup) : setup_(std::move(setup)) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  window_ = CreateDialogParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_UPDARA_PROGRESS), nullptr, &Proc,
                               reinterpret_cast<LPARAM>(this));
  if (!window_) return;
  if (setup_.fileFont) SendDlgItemMessageA(window_, kFileLabel, WM_SETFONT, WPARAM(setup_.fileFont), FALSE);
  HDC dc = GetDC(window_);
  HGDIOBJ before = SelectObject(dc, setup_.noteFont ? setup_.noteFont : GetStockObject(DEFAULT_GUI_FONT));
  SIZE note{};
  GetTextExtentPoint32A(dc, setup_.noteText.c_str(), int(setup_.noteText.size()), &note);
  noteWidth_ = note.cx;
  SelectObject(dc, before);
  ReleaseDC(window_, dc);

  // Centred in the work area, and kept inside it.
  RECT area{}, frame{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(window_, &frame);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = std::max<int>(area.left, std::min<int>(area.right - w, area.left + (area.right - area.left - w) / 2));
  const int y = std::max<int>(area.top, std::min<int>(area.bottom - h, area.top + (area.bottom - area.top - h) / 2));
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOW);
  SetWindowTextA(window_, setup_.texts[0].c_str());
  SetItemText(IDCANCEL, setup_.texts[1]);
}

ProgressWindow::~ProgressWindow() {
  if (window_) DestroyWindow(window_);
}

void ProgressWindow::Entered(Stage stage) {
  SetItemText(kStatusLine, setup_.texts[stage == Stage::Connecting ? 2 : 3]);
}

void ProgressWindow::Receiving(const std::string& label, long long total) {
  if (!window_) return;
  SetDlgItemTextA(window_, kStatusLine, setup_.texts[4].c_str());
  SetDlgItemTextA(window_, kFileLabel, label.c_str());
  SetDlgItemTextA(window_, kByteLabel, ByteText(0, total).c_str());
  SendDlgItemMessageA(window_, kBar, PBM_SETRANGE32, 0, total > 0 ? 100 : 5);
  SendDlgItemMessageA(window_, kBar, PBM_SETPOS, 0, 0);
  bounce_ = {};
  percent_ = -1;
  LetMessagesRun();
}

void ProgressWindow::Received(long long bytes, long long total) {
  if (!window_) return;
  sweep_ = NextSweep(sweep_);
  RECT band{0, 0, 0, kBandHeight};
  GetClientRect(window_, &band);
  band.bottom = kBandHeight;
  InvalidateRect(window_, &band, FALSE);
  SetDlgItemTextA(window_, kByteLabel, ByteText(bytes, total).c_str());
  if (total > 0) {
    const int percent = PercentOf(bytes, total);
    if (percent != percent_) {
      percent_ = percent;
      SetWindowTextA(window_, ProgressTitle(percent, setup_.texts[4]).c_str());
      SendDlgItemMessageA(window_, kBar, PBM_SETPOS, WPARAM(percent), 0);
    }
  } else {
    bounce_ = NextBounce(bounce_);
    SendDlgItemMessageA(window_, kBar, PBM_SETPOS, WPARAM(bounce_.position), 0);
  }
  LetMessagesRun();
}

void ProgressWindow::Ended() {
  if (!window_) return;
  SendDlgItemMessageA(window_, kBar, PBM_SETRANGE32, 0, 100);
  SendDlgItemMessageA(window_, kBar, PBM_SETPOS, 100, 0);
  LetMessagesRun();
}

void ProgressWindow::SetItemText(int id, const std::string& text) {
  if (!window_) return;
  SetDlgItemTextA(window_, id, text.c_str());
  LetMessagesRun();
}

void ProgressWindow::LetMessagesRun() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (window_ && IsDialogMessageA(window_, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

INT_PTR CALLBACK ProgressWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    return TRUE;
  }
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(window, DWLP_USER));
  return self && self->Handle(message, wParam, lParam) ? TRUE : FALSE;
}

bool ProgressWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // Cancel, Esc and the close box all arrive here; the window stays until its worker ends.
      if (setup_.cancel) setup_.cancel();
      return true;
    case WM_ERASEBKGND:
      return true;  // the whole client area is painted at once, off screen
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window_, &ps);
      Paint(dc);
      EndPaint(window_, &ps);
      return true;
    }
    case WM_MOUSEMOVE:
      TrackLink(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return true;
    case WM_MOUSELEAVE:
      TrackLink(-1, -1);
      return true;
    case WM_SETCURSOR:
      if (!overLink_) return false;
      SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
      return true;
    case WM_LBUTTONDOWN:
      if (overLink_) OpenNoteUrl();
      return true;
    default:
      (void)wParam;
      return false;
  }
}

void ProgressWindow::Paint(HDC target) {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right, height = client.bottom;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP canvas = CreateCompatibleBitmap(target, width, height);
  HGDIOBJ before = SelectObject(dc, canvas);
  FillRect(dc, 0, 0, width, height, GetSysColor(COLOR_BTNFACE));
  PaintBand(dc, width);
  PaintStrip(dc, width, height);
  BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, before);
  DeleteObject(canvas);
  DeleteDC(dc);
}

void ProgressWindow::PaintBand(HDC dc, int width) {
  FillRect(dc, 0, 0, width, kHeaderHeight, kBandGrey);
  const int left = HeaderLeft(width);
  g_header.Draw(dc, left, 0);
  g_separator.Draw(dc, 0, kHeaderHeight);
  if (SeparatorTiled(width)) g_separator.Draw(dc, 350, kHeaderHeight);
  g_highlight.Draw(dc, left + 84 + std::abs(sweep_), kHighlightTop);
}

void ProgressWindow::PaintStrip(HDC dc, int width, int height) {
  const int top = height - kStripHeight;
  g_separator.Draw(dc, 0, top);
  if (SeparatorTiled(width)) g_separator.Draw(dc, 350, top);
  FillRect(dc, 0, top + kSeparatorHeight, width, height, kBandGrey);
  HGDIOBJ before = SelectObject(dc, setup_.noteFont ? setup_.noteFont : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, overLink_ ? kLinkBlue : RGB(0, 0, 0));
  RECT line{0, top + 3, width - 3, height};
  DrawTextA(dc, setup_.noteText.c_str(), int(setup_.noteText.size()), &line, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, before);
}

void ProgressWindow::TrackLink(int x, int y) {
  RECT client{};
  GetClientRect(window_, &client);
  const bool over = x >= 0 && OverNoteLink(x, y, client.right, client.bottom, noteWidth_, !setup_.noteUrl.empty());
  if (over == overLink_) return;
  overLink_ = over;
  if (over) {
    cursorBefore_ = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    SetCapture(window_);
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, window_, 0};
    TrackMouseEvent(&leave);
  } else {
    SetCursor(cursorBefore_ ? cursorBefore_ : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
    if (GetCapture() == window_) ReleaseCapture();
  }
  RECT strip{0, client.bottom - kStripHeight, client.right, client.bottom};
  InvalidateRect(window_, &strip, FALSE);
}

void ProgressWindow::OpenNoteUrl() const {
  // The shell may need COM on this thread for the page's handler.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const auto opened = reinterpret_cast<INT_PTR>(
      ShellExecuteA(window_, "open", setup_.noteUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com)) CoUninitialize();
  if (opened > 32) return;
  const std::string registered = HtmOpenCommand();
  if (registered.empty()) return;
  std::string command = HtmCommandFor(registered, setup_.noteUrl);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

}  // namespace updara
