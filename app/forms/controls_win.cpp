// The controls of the forms toolkit: how each one is created and which of its notifications
// become events. What they share is in forms_win.cpp.
#include "app/forms/forms_win.h"

#include <commctrl.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "common/com_text_win.h"

namespace lw::forms {

namespace {

bool Command(UINT msg, WPARAM wp, UINT code) { return msg == WM_COMMAND && HIWORD(wp) == code; }

template <class T> std::unique_ptr<T> Make(T* control) { return std::unique_ptr<T>(control); }

}  // namespace

// ---- Label ----

Label& Form::AddLabel(const std::string& name, Rect r, const std::string& caption, Control* container, Align align) {
  Label& c = Adopt(Make(new Label(*this, name, kColorButtonText, kColorButtonFace)));
  // No prefix: data such as "Smith & Sons" must show its ampersand.
  DWORD style = SS_NOTIFY | SS_NOPREFIX | (align == Align::Center ? SS_CENTER : align == Align::Right ? SS_RIGHT : SS_LEFT);
  c.CreateChild(container, "STATIC", style, 0, r, caption);
  return c;
}

void Label::SetOverflow(Overflow overflow) {
  overflow_ = overflow;
  if (!hwnd_) return;
  LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
  const LONG_PTR type = style & SS_TYPEMASK;
  style &= ~(SS_ELLIPSISMASK | SS_TYPEMASK | SS_EDITCONTROL);
  switch (overflow) {
    case Overflow::Wrap: style |= type == SS_LEFTNOWORDWRAP ? SS_LEFT : type; break;
    case Overflow::EndEllipsis: style |= SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS; break;
    case Overflow::PathEllipsis: style |= SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS; break;
    case Overflow::Lines: style |= (type == SS_LEFTNOWORDWRAP ? SS_LEFT : type) | SS_EDITCONTROL; break;
  }
  SetWindowLongPtrA(hwnd_, GWL_STYLE, style);
  InvalidateRect(hwnd_, nullptr, TRUE);
  ApplyToolTip();
}

bool Label::Cut() const {
  if (!hwnd_ || overflow_ == Overflow::Wrap) return false;
  RECT rc{};
  GetClientRect(hwnd_, &rc);
  if (overflow_ != Overflow::Lines) return TextWidth(Caption()) > PixelsToTwipsX(rc.right);
  // The height the caption takes wrapped at the label's width.
  const std::string caption = Caption();
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, rc.right, 0};
  DrawTextA(dc, caption.c_str(), int(caption.size()), &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  return needed.bottom > rc.bottom || needed.right > rc.right;
}

void Label::SetText(const std::string& text) {
  // Measuring is a round trip: only a new caption is measured.
  if (text == Text()) return;
  Control::SetText(text);
  if (overflow_ != Overflow::Wrap) ApplyToolTip();
}

std::string Label::ShownToolTip() const {
  if (!Cut()) return ToolTipText();
  return ToolTipText().empty() ? Caption() : Caption() + "\r\n" + ToolTipText();
}

bool Label::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, STN_CLICKED)) {
    if (onClick) onClick();
    return true;
  }
  if (Command(msg, wp, STN_DBLCLK)) {
    if (onDblClick) onDblClick();
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

// ---- TextBox ----

TextBox& Form::AddTextBox(const std::string& name, Rect r, const std::string& text, Control* container,
                          unsigned options) {
  TextBox& c = Adopt(Make(new TextBox(*this, name, kColorWindowText, kColorWindow)));
  DWORD style = WS_TABSTOP;
  if (options & TextBox::MultiLine)
    style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
  else
    style |= ES_AUTOHSCROLL;
  if (options & TextBox::Password) style |= ES_PASSWORD;
  if (options & TextBox::ReadOnly) style |= ES_READONLY;
  c.CreateChild(container, "EDIT", style, WS_EX_CLIENTEDGE, r, text);  // its starting text: no event
  return c;
}

void TextBox::SetText(const std::string& text) {
  if (!hwnd_ || text == Text()) return;
  // The change event is raised here once, whatever the edit control reports for WM_SETTEXT.
  settingText_ = true;
  SetWindowTextA(hwnd_, text.c_str());
  settingText_ = false;
  if (onChange) onChange();
}

bool TextBox::Locked() const { return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & ES_READONLY); }

void TextBox::SetLocked(bool locked) {
  if (hwnd_) SendMessageA(hwnd_, EM_SETREADONLY, locked, 0);
}

bool TextBox::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, EN_CHANGE)) {
    if (!settingText_ && onChange) onChange();
    return true;
  }
  if (Command(msg, wp, EN_KILLFOCUS)) {
    if (onLostFocus) onLostFocus();
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

bool TextBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_LBUTTONDBLCLK) return false;
  result = CallClassProc(msg, wp, lp);  // the box selects the word first
  if (onDblClick) onDblClick();
  return true;
}

// ---- RichTextBox ----

namespace {

// Hands the bytes to EM_STREAMIN a piece at a time.
struct StreamSource {
  const std::string& bytes;
  size_t offset = 0;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const size_t n = std::min(source->bytes.size() - source->offset, static_cast<size_t>(std::max(0L, wanted)));
  memcpy(buffer, source->bytes.data() + source->offset, n);
  source->offset += n;
  *given = static_cast<LONG>(n);
  return 0;
}

constexpr UINT kCodePageUnicode = 1200;

}  // namespace

RichTextBox& Form::AddRichTextBox(const std::string& name, Rect r, Control* container, unsigned options) {
  RichTextBox& c = Adopt(Make(new RichTextBox(*this, name, kColorWindowText, kColorWindow)));
  // The rich edit control of every Windows since XP; its library stays loaded for the run.
  static const bool loaded = LoadLibraryA("msftedit.dll") != nullptr;
  if (!loaded) return c;
  DWORD style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
  if (options & RichTextBox::ReadOnly) style |= ES_READONLY;
  if (c.CreateChild(container, "RICHEDIT50W", style, WS_EX_CLIENTEDGE, r, "")) {
    // Typing and streaming are otherwise cut at 32,767 characters.
    SendMessageA(c.Hwnd(), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageA(c.Hwnd(), EM_SETEVENTMASK, 0, ENM_CHANGE);
    // Text drawn right against the border is hard to read.
    SendMessageA(c.Hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(6, 6));
    c.ApplyColors();
  }
  return c;
}

std::string RichTextBox::Text() const {
  if (!hwnd_) return {};
  GETTEXTLENGTHEX length{GTL_PRECISE | GTL_USECRLF | GTL_NUMCHARS, kCodePageUnicode};
  const auto n = static_cast<long>(SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n) + 1, L'\0');
  GETTEXTEX get{};
  get.cb = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
  get.flags = GT_USECRLF;
  get.codepage = kCodePageUnicode;
  const auto got = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(wide.data()));
  wide.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, n)));
  return AnsiText(wide);
}

bool RichTextBox::StreamIn(const std::string& bytes, unsigned format) {
  if (!hwnd_) return false;
  StreamSource source{bytes};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
  settingText_ = true;
  SendMessageW(hwnd_, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  settingText_ = false;
  if (onChange) onChange();
  return stream.dwError == 0;
}

void RichTextBox::SetText(const std::string& text) {
  if (!hwnd_ || text == Text()) return;
  // As plain UTF-16 text: a text starting "{\rtf" stays that text.
  const std::wstring wide = WideText(text);
  StreamIn(std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)), SF_TEXT | SF_UNICODE);
}

bool RichTextBox::LoadRichText(const std::string& rtf) { return StreamIn(rtf, SF_RTF) && TextLength() > 0; }

bool RichTextBox::Locked() const { return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & ES_READONLY); }

void RichTextBox::SetLocked(bool locked) {
  if (hwnd_) SendMessageA(hwnd_, EM_SETREADONLY, locked, 0);
}

long RichTextBox::TextLength() const {
  if (!hwnd_) return 0;
  GETTEXTLENGTHEX length{GTL_PRECISE | GTL_NUMCHARS, kCodePageUnicode};
  return static_cast<long>(SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

long RichTextBox::SelStart() const {
  CHARRANGE range{};
  if (hwnd_) SendMessageA(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range.cpMin;
}

long RichTextBox::SelLength() const {
  CHARRANGE range{};
  if (hwnd_) SendMessageA(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  return range.cpMax - range.cpMin;
}

void RichTextBox::Select(long start, long length) {
  CHARRANGE range{start, start + length};
  if (hwnd_) SendMessageA(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void RichTextBox::ApplyColors() {
  if (!hwnd_) return;
  SendMessageA(hwnd_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ResolveColor(BackColor())));
}

bool RichTextBox::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, EN_CHANGE)) {
    if (!settingText_ && onChange) onChange();
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

// ---- CommandButton ----

CommandButton& Form::AddButton(const std::string& name, Rect r, const std::string& caption, Control* container) {
  CommandButton& c = Adopt(Make(new CommandButton(*this, name, kColorButtonText, kColorButtonFace)));
  c.CreateChild(container, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, r, caption);
  return c;
}

bool CommandButton::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, BN_CLICKED)) {
    if (onClick) onClick();
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

bool CommandButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  const int button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : msg == WM_MBUTTONUP ? 4 : 0;
  if (!button || !onMouseUp) return false;
  // The button does its own work first (a left release is also its click), then the event runs.
  result = CallClassProc(msg, wp, lp);
  if (!hwnd_) return true;
  auto handler = onMouseUp;
  handler(button, PixelsToTwipsX(GET_X_LPARAM(lp)), PixelsToTwipsY(GET_Y_LPARAM(lp)));
  return true;
}

// ---- CheckBox ----

CheckBox& Form::AddCheckBox(const std::string& name, Rect r, const std::string& caption, Control* container) {
  CheckBox& c = Adopt(Make(new CheckBox(*this, name, kColorButtonText, kColorButtonFace)));
  // Not an "auto" box: the toolkit sets the state itself, so that a user's click and a
  // programmatic change take the same way and raise one event each.
  c.CreateChild(container, "BUTTON", BS_3STATE | WS_TABSTOP, 0, r, caption);
  return c;
}

int CheckBox::Value() const {
  if (!hwnd_) return 0;
  LRESULT state = SendMessageA(hwnd_, BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void CheckBox::SetValue(int value) {
  value = value < 0 ? 0 : value > 2 ? 2 : value;
  if (!hwnd_ || value == Value()) return;
  SendMessageA(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
  if (onClick) onClick();
}

bool CheckBox::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, BN_CLICKED)) {
    SetValue(Value() == 1 ? 0 : 1);
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

// ---- OptionButton ----

OptionButton& Form::AddOption(const std::string& name, Rect r, const std::string& caption, Control* container) {
  OptionButton& c = Adopt(Make(new OptionButton(*this, name, kColorButtonText, kColorButtonFace)));
  c.CreateChild(container, "BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0, r, caption);
  return c;
}

bool OptionButton::Value() const { return hwnd_ && SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void OptionButton::SetValue(bool value) {
  if (!hwnd_ || value == Value()) return;
  if (!value) {
    SendMessageA(hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
    return;
  }
  HWND group = GetParent(hwnd_);
  for (auto& c : form_->controls_)
    if (auto* o = dynamic_cast<OptionButton*>(c.get()); o && o != this && o->hwnd_ && GetParent(o->hwnd_) == group)
      SendMessageA(o->hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
  if (onClick) onClick();
}

bool OptionButton::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (Command(msg, wp, BN_CLICKED)) {
    SetValue(true);
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

// ---- Frame ----

Frame& Form::AddFrame(const std::string& name, Rect r, const std::string& caption, Control* container) {
  Frame& c = Adopt(Make(new Frame(*this, name, kColorButtonText, kColorButtonFace)));
  c.CreateChild(container, "BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, r, caption);
  return c;
}

bool Frame::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  // A group box paints only its edge and caption; as the parent of its controls it must also
  // paint the area between them.
  if (msg != WM_ERASEBKGND) return false;
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillRect(reinterpret_cast<HDC>(wp), &rc, BackBrush());
  result = 1;
  return true;
}

// ---- PictureBox ----

PictureBox& Form::AddPicture(const std::string& name, Rect r, Control* container) {
  PictureBox& c = Adopt(Make(new PictureBox(*this, name, kColorButtonText, kColorButtonFace)));
  c.CreateChild(container, "STATIC", SS_OWNERDRAW | SS_NOTIFY, 0, r, "");
  return c;
}

PictureBox::~PictureBox() {
  if (bitmap_) DeleteObject(bitmap_);
}

void PictureBox::SetPicture(HBITMAP bitmap) {
  if (bitmap_ && bitmap_ != bitmap) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool PictureBox::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    FillRect(dis->hDC, &dis->rcItem, BackBrush());
    if (bitmap_) {
      BITMAP bm{};
      GetObjectA(bitmap_, sizeof bm, &bm);
      HDC mem = CreateCompatibleDC(dis->hDC);
      HGDIOBJ old = SelectObject(mem, bitmap_);
      BitBlt(dis->hDC, dis->rcItem.left, dis->rcItem.top, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    if (onPaint) onPaint(dis->hDC, dis->rcItem);
    result = TRUE;
    return true;
  }
  if (Command(msg, wp, STN_CLICKED)) {
    if (onClick) onClick();
    return true;
  }
  if (Command(msg, wp, STN_DBLCLK)) {
    if (onDblClick) onDblClick();
    return true;
  }
  return Control::OnReflect(msg, wp, lp, result);
}

// ---- ListView ----

ListView& Form::AddListView(const std::string& name, Rect r, Control* container, unsigned options) {
  ListView& c = Adopt(Make(new ListView(*this, name, kColorWindowText, kColorWindow)));
  DWORD style = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP;
  if (options & ListView::NoHeader) style |= LVS_NOCOLUMNHEADER;
  if (c.CreateChild(container, WC_LISTVIEWA, style, WS_EX_CLIENTEDGE, r, "")) {
    DWORD ex = LVS_EX_INFOTIP;
    if (options & ListView::FullRowSelect) ex |= LVS_EX_FULLROWSELECT;
    if (options & ListView::GridLines) ex |= LVS_EX_GRIDLINES;
    SendMessageA(c.Hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  }
  return c;
}

void ListView::ApplyColors() {
  if (!hwnd_) return;
  SendMessageA(hwnd_, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ResolveColor(BackColor())));
  SendMessageA(hwnd_, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(ResolveColor(BackColor())));
  SendMessageA(hwnd_, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ResolveColor(ForeColor())));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListView::AddColumn(const std::string& caption, int widthTwips) {
  if (!hwnd_) return;
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.cx = TwipsToPixelsX(widthTwips);
  col.pszText = const_cast<char*>(caption.c_str());
  col.iSubItem = columns_;
  if (SendMessageA(hwnd_, LVM_INSERTCOLUMNA, columns_, reinterpret_cast<LPARAM>(&col)) >= 0) ++columns_;
}

int ListView::AddItem(const ListItem& item) {
  if (!hwnd_) return -1;
  if (columns_ == 0) {
    // A report view without columns shows nothing: give it one as wide as the view.
    RECT rc;
    GetClientRect(hwnd_, &rc);
    AddColumn("", PixelsToTwipsX(rc.right - GetSystemMetrics(SM_CXVSCROLL)));
  }
  LVITEMA it{};
  it.mask = LVIF_TEXT | LVIF_PARAM;
  it.iItem = ItemCount();
  it.pszText = const_cast<char*>(item.text.c_str());
  it.lParam = nextHandle_;
  auto index = static_cast<int>(SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
  if (index < 0) return -1;
  ++nextHandle_;
  for (size_t i = 0; i < item.subItems.size(); ++i) {
    LVITEMA sub{};
    sub.iSubItem = static_cast<int>(i + 1);
    sub.pszText = const_cast<char*>(item.subItems[i].c_str());
    SendMessageA(hwnd_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
  }
  items_.insert(items_.begin() + index, item);
  handles_.insert(handles_.begin() + index, it.lParam);
  return index;
}

bool ListView::SetItems(const std::vector<ListItem>& items) {
  if (items == items_) return false;
  if (hwnd_) SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  Clear();
  for (const ListItem& item : items) AddItem(item);
  if (hwnd_) {
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  return true;
}

void ListView::Clear() {
  // An empty list is left alone: deleting nothing still repaints the whole list view.
  if (hwnd_ && ItemCount() > 0) SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  items_.clear();
  handles_.clear();
}

int ListView::FindKey(const std::string& key) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].key == key) return static_cast<int>(i);
  return -1;
}

int ListView::SelectedIndex() const {
  return hwnd_ ? static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)) : -1;
}

void ListView::SetSelectedIndex(int index) {
  if (!hwnd_) return;
  LVITEMA it{};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(hwnd_, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&it));
  if (index < 0 || index >= ItemCount()) return;
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&it));
}

int ListView::HitTest(int xTwips, int yTwips) const {
  if (!hwnd_) return -1;
  LVHITTESTINFO hit{};
  hit.pt = {TwipsToPixelsX(xTwips), TwipsToPixelsY(yTwips)};
  auto index = static_cast<int>(SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return index >= 0 && (hit.flags & LVHT_ONITEM) ? index : -1;
}

int ListView::IndexOfHandle(LPARAM handle) const {
  for (size_t i = 0; i < handles_.size(); ++i)
    if (handles_[i] == handle) return static_cast<int>(i);
  return -1;
}

void ListView::MouseUp(int button, POINT pt) {
  if (buttonDown_ != button) return;
  buttonDown_ = 0;
  if (onMouseUp) onMouseUp(button, PixelsToTwipsX(pt.x), PixelsToTwipsY(pt.y));
}

bool ListView::OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_NOTIFY) return Control::OnReflect(msg, wp, lp, result);
  auto* hdr = reinterpret_cast<NMHDR*>(lp);
  switch (hdr->code) {
    case NM_CLICK:
    case NM_RCLICK:
    case NM_DBLCLK: {
      // The list view reports a click once the button is up; Windows has swallowed the
      // button-up message by then, so the release is reported from here.
      auto* act = reinterpret_cast<NMITEMACTIVATE*>(lp);
      int item = HitTest(PixelsToTwipsX(act->ptAction.x), PixelsToTwipsY(act->ptAction.y));
      if (hdr->code == NM_DBLCLK) {
        if (item >= 0 && onDblClick) onDblClick(item);
      } else {
        if (item >= 0 && onItemClick) onItemClick(item);
        MouseUp(hdr->code == NM_CLICK ? 1 : 2, act->ptAction);
      }
      return false;
    }
    case LVN_GETINFOTIPA: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lp);
      if (tip->iItem >= 0 && tip->iItem < ItemCount() && !items_[tip->iItem].toolTip.empty() && tip->cchTextMax > 0)
        lstrcpynA(tip->pszText, items_[tip->iItem].toolTip.c_str(), tip->cchTextMax);
      result = 0;
      return true;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lp);
      if (tip->iItem >= 0 && tip->iItem < ItemCount() && !items_[tip->iItem].toolTip.empty() && tip->cchTextMax > 0) {
        int n = MultiByteToWideChar(CP_ACP, 0, items_[tip->iItem].toolTip.c_str(), -1, tip->pszText, tip->cchTextMax);
        if (n == 0) tip->pszText[tip->cchTextMax - 1] = L'\0';  // too long: cut, still terminated
      }
      result = 0;
      return true;
    }
    case LVN_DELETEALLITEMS:
      items_.clear();
      handles_.clear();
      result = TRUE;  // no LVN_DELETEITEM for each of them
      return true;
    case LVN_DELETEITEM: {
      // Items removed by the control itself (not through Clear) leave our copies too.
      int index = IndexOfHandle(reinterpret_cast<NMLISTVIEW*>(lp)->lParam);
      if (index >= 0) {
        items_.erase(items_.begin() + index);
        handles_.erase(handles_.begin() + index);
      }
      return false;
    }
    default:
      return false;
  }
}

bool ListView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  int button = 0;
  switch (msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: button = 1; break;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: button = 2; break;
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: button = 4; break;
    default: return false;
  }
  POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
    buttonDown_ = button;
    if (onMouseDown) onMouseDown(button, PixelsToTwipsX(pt.x), PixelsToTwipsY(pt.y));
    return false;  // the list view selects, tracks and notifies as usual
  }
  result = CallClassProc(msg, wp, lp);  // may raise the click first
  MouseUp(button, pt);
  return true;
}

// ---- ProgressBar ----

ProgressBar& Form::AddProgressBar(const std::string& name, Rect r, Control* container) {
  ProgressBar& c = Adopt(Make(new ProgressBar(*this, name, kColorButtonText, kColorButtonFace)));
  if (c.CreateChild(container, PROGRESS_CLASSA, 0, 0, r, "")) c.Apply();
  return c;
}

void ProgressBar::SetMin(int min) {
  min_ = min;
  if (max_ < min_) max_ = min_;
  Apply();
}

void ProgressBar::SetMax(int max) {
  max_ = max;
  if (min_ > max_) min_ = max_;
  Apply();
}

void ProgressBar::SetValue(int value) {
  value_ = value;
  Apply();
}

void ProgressBar::Apply() {
  value_ = value_ < min_ ? min_ : value_ > max_ ? max_ : value_;
  if (!hwnd_) return;
  SendMessageA(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(value_), 0);
}

}  // namespace lw::forms
