// The shared part of the forms toolkit: the Control base, Form, timers, menus, message loops and
// the dialog seams. The individual controls are in controls_win.cpp.
#include "app/forms/forms_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "app/forms/forms_core.h"
#include "common/product.h"

namespace lw::forms {

namespace {

constexpr char kNameProp[] = "ControlName";
constexpr char kFormClass[] = "LedgerwellForm";

// The object behind each window of ours. Kept in the process rather than as a window property:
// every reflected message looks its control up, and a property read is a round trip to the window
// server under Wine (hundreds per keystroke in the main window).
class ControlRegistry {
 public:
  void Add(HWND hwnd, Control* control) {
    std::lock_guard lock(mutex_);
    controls_[hwnd] = control;
  }
  void Remove(HWND hwnd) {
    std::lock_guard lock(mutex_);
    controls_.erase(hwnd);
  }
  Control* Find(HWND hwnd) {
    std::lock_guard lock(mutex_);
    auto it = controls_.find(hwnd);
    return it == controls_.end() ? nullptr : it->second;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, Control*> controls_;
};

ControlRegistry& Controls() {
  static ControlRegistry registry;
  return registry;
}

std::vector<Form*>& LoadedForms() {
  static std::vector<Form*> forms;  // in the order they were last shown
  return forms;
}

bool programEnded = false;

// A loop waiting in GetMessage only wakes for a posted message. A window can also go while a sent
// message is handled inside that call (a click sent by UI automation, WM_ENDSESSION), so every
// form that goes posts one, as EndDialog does, and the loops look at their window again.
void WakeMessageLoops() { PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0); }

int ScreenDpi(bool vertical) {
  static int dpi[2] = {0, 0};
  int& d = dpi[vertical ? 1 : 0];
  if (d <= 0) {
    HDC dc = GetDC(nullptr);
    d = dc ? GetDeviceCaps(dc, vertical ? LOGPIXELSY : LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
  }
  return d;
}

HFONT DefaultFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSA ncm{};
    ncm.cbSize = sizeof ncm;
    HFONT f = nullptr;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) f = CreateFontIndirectA(&ncm.lfMessageFont);
    return f ? f : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Form* FormFromHwnd(HWND hwnd) { return dynamic_cast<Form*>(ControlFromHwnd(hwnd)); }

// An event handler that throws must not unwind through the window manager's frames; the user
// sees the error instead, as with any unexpected run-time error.
void ReportError(const char* what) {
  static bool reporting = false;
  if (reporting) return;
  reporting = true;
  try {
    MsgBox(what && *what ? what : "Unexpected error", MB_ICONERROR, kAppTitle);
  } catch (...) {
  }
  reporting = false;
}

template <class F> void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    ReportError(e.what());
  } catch (...) {
    ReportError(nullptr);
  }
}

struct FlagScope {
  bool& flag;
  explicit FlagScope(bool& f) : flag(f) { flag = true; }
  ~FlagScope() { flag = false; }
};

// The first control that Tab would reach: visible, enabled, a tab stop, searched through
// containers in creation order.
HWND FirstTabStop(HWND parent) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    LONG_PTR style = GetWindowLongPtrA(c, GWL_STYLE);
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;
    if (style & WS_TABSTOP) return c;
    if (GetWindowLongPtrA(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
      if (HWND inner = FirstTabStop(c)) return inner;
  }
  return nullptr;
}

void Pump(MSG& msg) {
  if (Form::PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace

COLORREF ResolveColor(uint32_t color) {
  return IsSystemColor(color) ? GetSysColor(SystemColorIndex(color)) : COLORREF(color & 0x00FFFFFFu);
}

int TwipsToPixelsX(int twips) { return TwipsToPixels(twips, ScreenDpi(false)); }
int TwipsToPixelsY(int twips) { return TwipsToPixels(twips, ScreenDpi(true)); }
int PixelsToTwipsX(int pixels) { return PixelsToTwips(pixels, ScreenDpi(false)); }
int PixelsToTwipsY(int pixels) { return PixelsToTwips(pixels, ScreenDpi(true)); }

// ---- Control ----

Control::Control(Form& form, std::string name, uint32_t fore, uint32_t back)
    : form_(&form), name_(std::move(name)), index_(ArrayIndexOf(name_)), foreColor_(fore), backColor_(back) {}

Control::~Control() {
  if (hwnd_) {
    HWND h = hwnd_;
    Unhook();
    Detach();
    DestroyWindow(h);
  }
  if (brush_) DeleteObject(brush_);
}

void Control::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  Controls().Add(hwnd, this);
  if (!name_.empty() && (atom_ = GlobalAddAtomA(name_.c_str())) != 0)
    SetPropA(hwnd, kNameProp, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom_)));
}

void Control::Detach() {
  if (!hwnd_) return;
  Controls().Remove(hwnd_);
  RemovePropA(hwnd_, kNameProp);
  if (atom_) GlobalDeleteAtom(atom_);
  atom_ = 0;
  hwnd_ = nullptr;
  tipAdded_ = false;
}

bool Control::CreateChild(Control* container, const char* cls, DWORD style, DWORD exStyle, const Rect& r,
                          const std::string& text) {
  HWND parent = container && container->hwnd_ ? container->hwnd_ : form_->hwnd_;
  if (!parent || hwnd_) return false;
  if (container && container->hwnd_) {
    // A container must clip its children and let Tab into them.
    SetWindowLongPtrA(parent, GWL_STYLE, GetWindowLongPtrA(parent, GWL_STYLE) | WS_CLIPCHILDREN);
    SetWindowLongPtrA(parent, GWL_EXSTYLE, GetWindowLongPtrA(parent, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  }
  HWND h = CreateWindowExA(exStyle, cls, text.c_str(), style | WS_CHILD | WS_VISIBLE, TwipsToPixelsX(r.left),
                           TwipsToPixelsY(r.top), TwipsToPixelsX(std::max(0, r.width)),
                           TwipsToPixelsY(std::max(0, r.height)), parent,
                           reinterpret_cast<HMENU>(form_->nextId_++), GetModuleHandleA(nullptr), nullptr);
  if (!h) return false;
  Attach(h);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultFont()), FALSE);
  // Subclassed by hand: the common controls' subclassing looks its data up as a window property on
  // every message, a round trip to the window server under Wine.
  classProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
  // An edit box changes its text as the user types, without being sent it.
  keepsText_ = lstrcmpiA(cls, "EDIT") != 0 && dynamic_cast<RichTextBox*>(this) == nullptr;
  twips_ = r;
  setPx_ = PixelRect();
  twipsSet_ = true;
  ApplyColors();
  return true;
}

void Control::Unhook() {
  if (hwnd_ && classProc_) SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
}

LRESULT Control::CallClassProc(UINT msg, WPARAM wp, LPARAM lp) {
  return CallWindowProcW(classProc_, hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Control::ControlProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Control* self = ControlFromHwnd(h);
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  if (msg == WM_SETTEXT) self->keptText_.reset();
  if (msg == WM_NCDESTROY) {
    WNDPROC classProc = self->classProc_;
    self->Unhook();
    self->Detach();
    return CallWindowProcW(classProc, h, msg, wp, lp);
  }
  // The tooltip learns of the mouse from us rather than by subclassing the control itself.
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && self->tipAdded_ && self->form_->toolTip_) {
    MSG relay{h, msg, wp, lp, 0, {}};
    SendMessageW(self->form_->toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
  }
  LRESULT result = 0;
  bool handled = false;
  if (!self->form_->quiet_) {
    Guarded([&] {
      switch (msg) {
        case WM_COMMAND: case WM_NOTIFY: case WM_DRAWITEM: case WM_CTLCOLORSTATIC: case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORSCROLLBAR:
          handled = Reflect(msg, wp, lp, result);
          break;
        default:
          handled = self->OnMessage(msg, wp, lp, result);
      }
    });
  }
  return handled ? result : self->CallClassProc(msg, wp, lp);
}

bool Control::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  HWND from = nullptr;
  switch (msg) {
    case WM_COMMAND: from = reinterpret_cast<HWND>(lp); break;
    case WM_NOTIFY: from = reinterpret_cast<NMHDR*>(lp)->hwndFrom; break;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (dis->CtlType != ODT_MENU) from = dis->hwndItem;
      break;
    }
    default: from = reinterpret_cast<HWND>(lp); break;  // WM_CTLCOLOR*
  }
  Control* c = from ? ControlFromHwnd(from) : nullptr;
  if (!c || c->form_->quiet_) return false;
  return c->OnReflect(msg, wp, lp, result);
}

bool Control::OnReflect(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (msg < WM_CTLCOLORMSGBOX || msg > WM_CTLCOLORSTATIC) return false;
  HDC dc = reinterpret_cast<HDC>(wp);
  SetTextColor(dc, ResolveColor(foreColor_));
  SetBkColor(dc, ResolveColor(backColor_));
  result = reinterpret_cast<LRESULT>(BackBrush());
  return true;
}

bool Control::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Control::ApplyColors() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

HBRUSH Control::BackBrush() {
  if (IsSystemColor(backColor_)) return GetSysColorBrush(SystemColorIndex(backColor_));
  if (!brush_) brush_ = CreateSolidBrush(ResolveColor(backColor_));
  return brush_;
}

std::string Control::Text() const {
  if (!hwnd_) return {};
  if (keptText_) return *keptText_;
  std::string s;
  if (int n = GetWindowTextLengthA(hwnd_); n > 0) {
    s.assign(static_cast<size_t>(n) + 1, '\0');
    s.resize(static_cast<size_t>(std::max(0, GetWindowTextA(hwnd_, s.data(), n + 1))));
  }
  if (keepsText_) keptText_ = s;
  return s;
}

// Setters leave an unchanged property alone: a control repaints on every change, and the main
// window sets dozens of them on each keystroke in the path box.
void Control::SetText(const std::string& text) {
  if (!hwnd_ || text == Text()) return;
  SetWindowTextA(hwnd_, text.c_str());
  if (keepsText_) keptText_ = text;
}

bool Control::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Control::SetEnabled(bool enabled) {
  if (hwnd_ && enabled != Enabled()) EnableWindow(hwnd_, enabled);
}

bool Control::Visible() const { return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE); }
void Control::SetVisible(bool visible) {
  if (!hwnd_ || visible == Visible()) return;
  bool child = GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD;
  ShowWindow(hwnd_, !visible ? SW_HIDE : child ? SW_SHOWNA : SW_SHOW);
}

void Control::SetForeColor(uint32_t color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  ApplyColors();
}

void Control::SetBackColor(uint32_t color) {
  if (color == backColor_) return;
  backColor_ = color;
  if (brush_) DeleteObject(brush_);
  brush_ = nullptr;
  ApplyColors();
}

void Control::SetFont(const std::string& face, int points, bool bold) {
  static std::map<std::tuple<std::string, int, bool>, HFONT> fonts;
  HFONT& font = fonts[{face, points, bold}];
  if (!font) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(points, ScreenDpi(true), 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    font = CreateFontIndirectA(&lf);
  }
  if (hwnd_ && font) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Control::SetToolTipText(const std::string& text) {
  toolTip_ = text;
  ApplyToolTip();
}

void Control::ApplyToolTip() {
  if (!hwnd_ || !form_->hwnd_) return;
  const std::string shown = ShownToolTip();
  if (shown == shownTip_ && tipAdded_ == !shown.empty()) return;
  HWND tip = shown.empty() ? form_->toolTip_ : form_->EnsureToolTip();
  if (!tip) return;
  shownTip_ = shown;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the common controls
  ti.uFlags = TTF_IDISHWND;  // mouse messages are relayed by ControlProc
  ti.hwnd = form_->hwnd_;
  ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  ti.lpszText = const_cast<char*>(shownTip_.c_str());
  if (shown.empty()) {
    if (tipAdded_) SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    tipAdded_ = false;
  } else if (tipAdded_) {
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  } else {
    tipAdded_ = SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
  }
}

int Control::TextWidth(const std::string& text) const {
  if (!hwnd_) return 0;
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), int(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  return PixelsToTwipsX(size.cx);
}

RECT Control::PixelRect() const {
  RECT rc{};
  if (!hwnd_) return rc;
  GetWindowRect(hwnd_, &rc);
  if (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

Rect Control::TwipsRect() const {
  if (!hwnd_) return twips_;
  RECT px = PixelRect();
  if (twipsSet_ && EqualRect(&px, &setPx_)) return twips_;
  return {PixelsToTwipsX(px.left), PixelsToTwipsY(px.top), PixelsToTwipsX(px.right - px.left),
          PixelsToTwipsY(px.bottom - px.top)};
}

void Control::Move(int left, int top, int width, int height) {
  Rect wanted{left, top, std::max(0, width), std::max(0, height)};
  RECT now = PixelRect();
  if (hwnd_ && twipsSet_ && wanted.left == twips_.left && wanted.top == twips_.top && wanted.width == twips_.width &&
      wanted.height == twips_.height && EqualRect(&setPx_, &now))
    return;
  twips_ = wanted;
  if (!hwnd_) return;
  // Drawn afresh at its new place, children too: bits copied from the old place can be stale while
  // the user drags the window's edge, and a panel's buttons were then left unpainted.
  SetWindowPos(hwnd_, nullptr, TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(twips_.width),
               TwipsToPixelsY(twips_.height), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  setPx_ = PixelRect();
  twipsSet_ = true;
  ApplyToolTip();  // a label made narrower may now cut its caption
}

void Control::SetLeft(int left) { Move(left, Top(), Width(), Height()); }
void Control::SetTop(int top) { Move(Left(), top, Width(), Height()); }
void Control::SetWidth(int width) { Move(Left(), Top(), width, Height()); }
void Control::SetHeight(int height) { Move(Left(), Top(), Width(), height); }

void Control::SetFocus() {
  if (hwnd_) ::SetFocus(hwnd_);
}

void Control::Refresh() {
  if (!hwnd_) return;
  InvalidateRect(hwnd_, nullptr, TRUE);
  UpdateWindow(hwnd_);
}

std::string ControlNameOf(HWND hwnd) {
  auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(hwnd, kNameProp)));
  char buf[256];
  UINT n = atom ? GlobalGetAtomNameA(atom, buf, sizeof buf) : 0;
  return std::string(buf, n);
}

namespace {
struct NameSearch {
  ATOM atom;
  HWND found;
};

BOOL CALLBACK MatchName(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<NameSearch*>(lp);
  if (reinterpret_cast<ULONG_PTR>(GetPropA(h, kNameProp)) != s->atom) return TRUE;
  s->found = h;
  return FALSE;
}
}  // namespace

HWND FindControl(HWND form, const std::string& name) {
  // Atoms ignore case, as control names do.
  NameSearch s{name.empty() ? ATOM(0) : GlobalFindAtomA(name.c_str()), nullptr};
  if (!form || !s.atom) return nullptr;
  EnumChildWindows(form, MatchName, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

Control* ControlFromHwnd(HWND hwnd) { return hwnd ? Controls().Find(hwnd) : nullptr; }

// ---- Timer ----

Timer::~Timer() {
  if (form_.hwnd_) KillTimer(form_.hwnd_, id_);
}

void Timer::SetInterval(unsigned ms) {
  interval_ = ms;
  Apply();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Apply();
}

void Timer::Apply() {
  if (!form_.hwnd_) return;
  if (enabled_ && interval_ > 0)
    SetTimer(form_.hwnd_, id_, interval_, nullptr);
  else
    KillTimer(form_.hwnd_, id_);
}

void Timer::Fire() {
  // A handler that lets events run must not be entered again by its own timer.
  if (firing_ || !enabled_ || !onTimer) return;
  FlagScope scope(firing_);
  auto handler = onTimer;
  handler();
}

// ---- Menu ----

MenuItem& Menu::AddItem(const std::string& name, const std::string& caption) {
  items_.push_back(std::make_unique<MenuItem>());
  items_.back()->name = name;
  items_.back()->caption = caption;
  return *items_.back();
}

MenuItem* Menu::Find(const std::string& name) {
  for (auto& item : items_)
    if (SameName(item->name, name)) return item.get();
  return nullptr;
}

bool Menu::Click(const std::string& name) {
  MenuItem* item = Find(name);
  if (!item || !item->visible || !item->enabled || !item->onClick) return false;
  auto handler = item->onClick;
  handler();
  return true;
}

void PopupMenu(Form& form, Menu& menu) {
  if (!form.Hwnd()) return;
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  std::vector<MenuItem*> shown;
  for (auto& item : menu.items_) {
    if (!item->visible) continue;
    if (item->caption.empty() || item->caption == "-") {
      AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    shown.push_back(item.get());
    UINT flags = MF_STRING | (item->enabled ? 0 : MF_GRAYED) | (item->checked ? MF_CHECKED : 0);
    AppendMenuA(popup, flags, shown.size(), item->caption.c_str());
  }
  POINT pt{};
  GetCursorPos(&pt);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(form.Hwnd());
  UINT chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y,
                               0, form.Hwnd(), nullptr);
  PostMessageA(form.Hwnd(), WM_NULL, 0, 0);
  DestroyMenu(popup);
  if (chosen >= 1 && chosen <= shown.size() && shown[chosen - 1]->onClick) {
    auto handler = shown[chosen - 1]->onClick;
    handler();
  }
}

// ---- Form ----

Form::Form(std::string name) : Control(*this, std::move(name), kColorButtonText, kColorButtonFace) {}

Form::~Form() {
  // The derived form's members are gone already: no handler may run while the window goes.
  quiet_ = true;
  if (hwnd_) {
    RestoreDisabled();
    DestroyWindow(hwnd_);
  }
}

bool Form::Create(const std::string& caption, int clientWidth, int clientHeight, FormStyle style) {
  if (hwnd_) return false;
  controls_.clear();  // a form loaded again starts afresh
  timers_.clear();
  menus_.clear();
  defaultButton_ = cancelButton_ = nullptr;
  loadFired_ = false;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    registered = RegisterClassExA(&wc) != 0;
    if (!registered) return false;
  }
  DWORD ws = WS_CLIPCHILDREN, ex = WS_EX_CONTROLPARENT;
  switch (style) {
    case FormStyle::Sizable: ws |= WS_OVERLAPPEDWINDOW; break;
    case FormStyle::FixedSingle: ws |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case FormStyle::FixedDialog: ws |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU; ex |= WS_EX_DLGMODALFRAME; break;
    case FormStyle::NoCaption: ws |= WS_POPUP | WS_BORDER; break;
  }
  RECT rc{0, 0, TwipsToPixelsX(std::max(0, clientWidth)), TwipsToPixelsY(std::max(0, clientHeight))};
  AdjustWindowRectEx(&rc, ws, FALSE, ex);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  int x = work.left + std::max(0, int(work.right - work.left - w) / 2);
  int y = work.top + std::max(0, int(work.bottom - work.top - h) / 2);
  // WM_NCCREATE attaches the window to this object.
  return CreateWindowExA(ex, kFormClass, caption.c_str(), ws, x, y, w, h, nullptr, nullptr, inst, this) != nullptr;
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Form* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->Attach(hwnd);
    LoadedForms().push_back(self);
  } else {
    self = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  LRESULT result = 0;
  bool failed = true;
  Guarded([&] {
    result = self->HandleMessage(hwnd, msg, wp, lp);
    failed = false;
  });
  return failed ? 0 : result;
}

LRESULT Form::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCDESTROY) {
    auto& forms = LoadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    Detach();
    toolTip_ = nullptr;
    lastFocus_ = nullptr;
    WakeMessageLoops();
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  if (quiet_) return DefWindowProcA(hwnd, msg, wp, lp);
  LRESULT result = 0;
  switch (msg) {
    case WM_COMMAND: case WM_NOTIFY: case WM_DRAWITEM: case WM_CTLCOLORSTATIC: case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORSCROLLBAR:
      if (Reflect(msg, wp, lp, result)) return result;
      break;
    case WM_TIMER:
      for (auto& t : timers_)
        if (t->id_ == wp) {
          t->Fire();
          return 0;
        }
      break;
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_QUERYENDSESSION: {
      bool cancel = false;
      if (onQueryEndSession) onQueryEndSession(cancel);
      return cancel ? FALSE : TRUE;
    }
    case WM_ENDSESSION:
      // Windows ends the process once this returns: the program's loops must not open anything.
      if (wp) EndProgram();
      return 0;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wp), &rc, BackBrush());
      return 1;
    }
    case WM_CHAR:
      if (onKeyPress && !keyPreview_) {  // with key preview, PreTranslate has shown it already
        int key = static_cast<int>(wp);
        onKeyPress(key);
        if (!key || !hwnd_) return 0;
        wp = static_cast<WPARAM>(key);
      }
      break;
    case WM_SIZE:
      if (onResize) onResize();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      // Give the focus back to the control that had it, or to the default button, or to the first
      // one Tab reaches.
      HWND target = lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd, lastFocus_) ? lastFocus_ : nullptr;
      if (!target && defaultButton_ && defaultButton_->Hwnd() && IsWindowEnabled(defaultButton_->Hwnd()) &&
          IsWindowVisible(defaultButton_->Hwnd()))
        target = defaultButton_->Hwnd();
      if (!target) target = FirstTabStop(hwnd);
      if (target && IsWindowEnabled(target) && IsWindowVisible(target)) ::SetFocus(target);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

bool Form::PreTranslate(MSG& msg) {
  if (!msg.hwnd) return false;
  Form* f = FormFromHwnd(GetAncestor(msg.hwnd, GA_ROOT));
  if (!f || f->quiet_) return false;
  if (msg.message == WM_CHAR && f->keyPreview_ && f->onKeyPress) {
    int key = static_cast<int>(msg.wParam);
    Guarded([&] { f->onKeyPress(key); });
    if (!key || !f->hwnd_) return true;
    msg.wParam = static_cast<WPARAM>(key);
  }
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) {
    HWND focus = GetFocus();
    bool inForm = focus && (focus == f->hwnd_ || IsChild(f->hwnd_, focus));
    if (!inForm) return false;
    if (focus != f->hwnd_ &&
        (SendMessageA(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTTAB))
      return false;
    HWND next = focus == f->hwnd_ ? FirstTabStop(f->hwnd_)
                                  : GetNextDlgTabItem(f->hwnd_, focus, (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    if (next && next != focus) {
      ::SetFocus(next);
      if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageA(next, EM_SETSEL, 0, -1);
    }
    return true;
  }
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return f->PressDialogKey(msg);
  return false;
}

bool Form::PressDialogKey(const MSG& msg) {
  HWND focus = GetFocus();
  if (!focus || (focus != hwnd_ && !IsChild(hwnd_, focus))) return false;
  CommandButton* target = cancelButton_;
  if (msg.wParam == VK_RETURN) {
    // A box that takes Enter as a line break keeps it.
    LONG_PTR style = GetWindowLongPtrA(focus, GWL_STYLE);
    char cls[32] = "";
    GetClassNameA(focus, cls, sizeof cls);
    bool editBox = SameName(cls, "EDIT") || SameName(std::string(cls).substr(0, 8), "RichEdit");
    if (editBox && (style & ES_MULTILINE) && (style & ES_WANTRETURN)) return false;
    auto* focused = dynamic_cast<CommandButton*>(ControlFromHwnd(focus));
    target = focused ? focused : defaultButton_;
  }
  HWND button = target ? target->Hwnd() : nullptr;
  if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
  // As a dialog presses it: the button's own notification, through its parent.
  SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return true;
}

void Form::SetDefaultButton(CommandButton* button) {
  auto setStyle = [](CommandButton* b, DWORD style) {
    if (b && b->Hwnd()) SendMessageA(b->Hwnd(), BM_SETSTYLE, style, TRUE);
  };
  setStyle(defaultButton_, BS_PUSHBUTTON);
  defaultButton_ = button;
  setStyle(defaultButton_, BS_DEFPUSHBUTTON);
}

void Form::Load() {
  if (!hwnd_ || loadFired_) return;
  loadFired_ = true;
  if (onLoad) onLoad();
}

void Form::Show() {
  Load();
  if (!hwnd_) return;  // the load handler may have unloaded the form
  auto& forms = LoadedForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  forms.push_back(this);
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void Form::ShowModal(Form* owner) {
  Load();
  if (!hwnd_) return;
  returnTo_ = owner && owner->hwnd_ && owner != this ? owner->hwnd_ : GetActiveWindow();
  for (Form* f : LoadedForms())
    if (f != this && f->hwnd_ && IsWindowEnabled(f->hwnd_)) {
      EnableWindow(f->hwnd_, FALSE);
      disabledByModal_.push_back(f->hwnd_);
    }
  if (owner && owner->hwnd_ && owner != this)
    SetWindowLongPtrA(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner->hwnd_));
  Show();
  MSG msg;
  while (hwnd_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the main loop
      break;
    }
    if (got < 0) break;
    Pump(msg);
  }
  RestoreDisabled();
  returnTo_ = nullptr;
}

void Form::RestoreDisabled() {
  std::vector<HWND> windows;
  windows.swap(disabledByModal_);
  for (HWND h : windows)
    if (IsWindow(h)) EnableWindow(h, TRUE);
}

bool Form::Unload() {
  if (!hwnd_) return true;
  if (unloading_) return false;
  bool cancel = false;
  {
    FlagScope scope(unloading_);
    if (onQueryUnload) onQueryUnload(cancel);
    if (!cancel && onUnload && hwnd_) onUnload(cancel);
  }
  if (cancel || !hwnd_) return !hwnd_;
  // The owner is enabled and activated before this window goes; otherwise the activation would
  // pass to whichever window is next in line.
  RestoreDisabled();
  if (returnTo_ && IsWindow(returnTo_) && IsWindowEnabled(returnTo_) && GetActiveWindow() == hwnd_)
    SetActiveWindow(returnTo_);
  DestroyWindow(hwnd_);
  return true;
}

HWND Form::EnsureToolTip() {
  if (toolTip_ || !hwnd_) return toolTip_;
  toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  // A maximum width lets tips with line breaks show on several lines.
  if (toolTip_) SendMessageA(toolTip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixelsX(6000));
  return toolTip_;
}

int Form::ScaleWidth() const {
  RECT rc{};
  if (hwnd_) GetClientRect(hwnd_, &rc);
  return PixelsToTwipsX(rc.right);
}

int Form::ScaleHeight() const {
  RECT rc{};
  if (hwnd_) GetClientRect(hwnd_, &rc);
  return PixelsToTwipsY(rc.bottom);
}

int Form::WindowState() const {
  if (!hwnd_) return 0;
  return IsIconic(hwnd_) ? 1 : IsZoomed(hwnd_) ? 2 : 0;
}

Control* Form::Find(const std::string& name) const {
  for (auto& c : controls_)
    if (SameName(c->Name(), name)) return c.get();
  return nullptr;
}

Timer& Form::AddTimer(const std::string& name, unsigned intervalMs, bool enabled) {
  timers_.push_back(std::unique_ptr<Timer>(new Timer(*this, name, nextId_++)));
  Timer& t = *timers_.back();
  t.interval_ = intervalMs;
  t.enabled_ = enabled;
  t.Apply();
  return t;
}

Timer* Form::FindTimer(const std::string& name) const {
  for (auto& t : timers_)
    if (SameName(t->Name(), name)) return t.get();
  return nullptr;
}

Menu& Form::AddMenu(const std::string& name) {
  menus_.push_back(std::make_unique<Menu>(name));
  return *menus_.back();
}

Menu* Form::FindMenu(const std::string& name) const {
  for (auto& m : menus_)
    if (SameName(m->Name(), name)) return m.get();
  return nullptr;
}

Form* ActiveForm() {
  if (Form* f = FormFromHwnd(GetActiveWindow()); f && f->Loaded()) return f;
  auto& forms = LoadedForms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it)
    if ((*it)->Hwnd() && IsWindowVisible((*it)->Hwnd())) return *it;
  return nullptr;
}

void EndProgram() {
  programEnded = true;
  const std::vector<Form*> forms = LoadedForms();  // destroying a form takes it off the list
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
    Form* f = *it;
    if (!f->hwnd_) continue;
    // Quiet while it goes: a box losing the focus must not start its handler on the way out.
    f->quiet_ = true;
    f->RestoreDisabled();
    DestroyWindow(f->hwnd_);
    f->quiet_ = false;
  }
}

bool ProgramEnded() { return programEnded; }
void ClearProgramEnded() { programEnded = false; }

// ---- Message loops and dialogs ----

void DoEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns the program's end
      return;
    }
    Pump(msg);
  }
}

int RunMessageLoop(const Form& main) {
  MSG msg;
  int code = 0;
  while (main.Loaded()) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      code = got == 0 ? static_cast<int>(msg.wParam) : -1;
      break;
    }
    Pump(msg);
  }
  // The program ends with its main window: a hidden form must not keep a process without a window.
  if (!main.Loaded()) EndProgram();
  return code;
}

namespace {
MsgBoxHandler& CurrentMsgBoxHandler() {
  static MsgBoxHandler handler;
  return handler;
}
OpenFileHandler& CurrentOpenFileHandler() {
  static OpenFileHandler handler;
  return handler;
}
OpenFileHandler& CurrentSaveFileHandler() {
  static OpenFileHandler handler;
  return handler;
}
PrintDialogHandler& CurrentPrintDialogHandler() {
  static PrintDialogHandler handler;
  return handler;
}
}  // namespace

int MsgBox(const std::string& text, unsigned style, const std::string& title) {
  if (MsgBoxHandler handler = CurrentMsgBoxHandler()) return handler(text, style, title);
  Form* owner = ActiveForm();
  // Without an owner the box must still keep the user out of the program's windows.
  if (!owner && !(style & (MB_SYSTEMMODAL | MB_TASKMODAL))) style |= MB_TASKMODAL;
  return MessageBoxA(owner ? owner->Hwnd() : nullptr, text.c_str(), title.c_str(), style);
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler) {
  MsgBoxHandler previous = std::move(CurrentMsgBoxHandler());
  CurrentMsgBoxHandler() = std::move(handler);
  return previous;
}

namespace {
// The common file dialog, to open or to save; the chosen path, or empty when cancelled.
std::string RunFileDialog(bool save, HWND owner, const std::string& title, const std::string& filter,
                          const std::string& initialDir, const std::string& initialFile, unsigned flags) {
  std::string filters = DialogFilter(filter);
  std::string file(32768, '\0');
  initialFile.copy(file.data(), std::min(initialFile.size(), file.size() - 1));
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.empty() ? nullptr : filters.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
  if (save) ofn.lpstrDefExt = "txt";
  ofn.Flags = flags;
  if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return {};
  file.resize(file.find('\0'));
  return file;
}
}  // namespace

std::string ShowOpenFileDialog(HWND owner, const std::string& title, const std::string& filter,
                               const std::string& initialDir, unsigned flags) {
  if (!owner)
    if (Form* f = ActiveForm()) owner = f->Hwnd();
  if (OpenFileHandler handler = CurrentOpenFileHandler()) return handler(owner, title, filter, initialDir, flags);
  // The program's relative paths must not move with the folder the user browsed to.
  return RunFileDialog(false, owner, title, filter, initialDir, "", flags | OFN_NOCHANGEDIR);
}

OpenFileHandler SetOpenFileHandler(OpenFileHandler handler) {
  OpenFileHandler previous = std::move(CurrentOpenFileHandler());
  CurrentOpenFileHandler() = std::move(handler);
  return previous;
}

std::string ShowSaveFileDialog(HWND owner, const std::string& title, const std::string& filter,
                               const std::string& initialFile) {
  if (!owner)
    if (Form* f = ActiveForm()) owner = f->Hwnd();
  const unsigned flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (OpenFileHandler handler = CurrentSaveFileHandler()) return handler(owner, title, filter, initialFile, flags);
  return RunFileDialog(true, owner, title, filter, "", initialFile, flags);
}

OpenFileHandler SetSaveFileHandler(OpenFileHandler handler) {
  OpenFileHandler previous = std::move(CurrentSaveFileHandler());
  CurrentSaveFileHandler() = std::move(handler);
  return previous;
}

}  // namespace lw::forms

namespace lw::forms {

bool ShowPrintDialog(PRINTDLGA& dialog) {
  if (!dialog.hwndOwner)
    if (Form* f = ActiveForm()) dialog.hwndOwner = f->Hwnd();
  if (PrintDialogHandler handler = CurrentPrintDialogHandler()) return handler(dialog);
  return PrintDlgA(&dialog) != FALSE;
}

PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler) {
  PrintDialogHandler previous = std::move(CurrentPrintDialogHandler());
  CurrentPrintDialogHandler() = std::move(handler);
  return previous;
}

}  // namespace lw::forms
