// The small forms toolkit every window of the program is built with: one Form (a top-level
// window) owning its controls, each a thin wrapper of one real Win32 control. Properties are the
// ones the windows use (Caption, Enabled, Colors, ToolTipText, Tag, positions in twips), events
// are std::function members the form's handlers are assigned to.
//
// Routing: a parent reflects WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR* and WM_DRAWITEM back to the
// control that sent them. A control passed as `container` (a Frame or PictureBox) is the real
// parent of the controls placed in it, so their coordinates are relative to it, hiding or
// disabling it hides or disables them, and it reflects their messages just like the form does.
//
// Everything runs on the one user-interface thread.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/forms/forms_core.h"

namespace lw::forms {

class Form;

// Windows colour numbers: 0x00BBGGRR, or 0x800000xx for system colour xx.
constexpr uint32_t kColorWindow = 0x80000005;      // window background
constexpr uint32_t kColorWindowText = 0x80000008;  // window text
constexpr uint32_t kColorButtonFace = 0x8000000F;  // button face
constexpr uint32_t kColorButtonText = 0x80000012;  // button text
COLORREF ResolveColor(uint32_t color);

// Twips per pixel of the screen, horizontally and vertically (15 at 96 DPI).
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);

// The base of every control and of Form: one HWND with its name, colours, tooltip and tag.
class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  HWND Hwnd() const { return hwnd_; }
  const std::string& Name() const { return name_; }  // "lblPath", "imgTick(1)"
  int Index() const { return index_; }                // the array index, or -1
  Form& ParentForm() const { return *form_; }

  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& caption) { SetText(caption); }
  virtual std::string Text() const;
  virtual void SetText(const std::string& text);

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;  // the control's own visible flag (its parent may still be hidden)
  void SetVisible(bool visible);

  uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(uint32_t color);
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t color);
  // Face, size in points; the toolkit keeps the fonts for the program's lifetime.
  void SetFont(const std::string& face, int points, bool bold = false);

  // The control's own tip. A label whose caption is cut shows the whole caption above it.
  const std::string& ToolTipText() const { return toolTip_; }
  void SetToolTipText(const std::string& text);
  // The width of a text in the control's font, in twips.
  int TextWidth(const std::string& text) const;
  const std::string& Tag() const { return tag_; }
  void SetTag(const std::string& tag) { tag_ = tag; }

  // Twips, relative to the parent's client area (the screen for a form). A position set in
  // twips reads back as set while the window stays where it was put.
  int Left() const { return TwipsRect().left; }
  int Top() const { return TwipsRect().top; }
  int Width() const { return TwipsRect().width; }
  int Height() const { return TwipsRect().height; }
  void Move(int left, int top, int width, int height);
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  void SetFocus();
  void Refresh();  // repaint now

 protected:
  Control(Form& form, std::string name, uint32_t fore, uint32_t back);
  // Creates the window as a child of the container (or of the form) and sets up what all
  // controls share: name property, font, subclass, colours.
  bool CreateChild(Control* container, const char* cls, DWORD style, DWORD exStyle, const Rect& r,
                   const std::string& text);
  // A notification reflected from the parent. Return true with `result` set to answer it.
  virtual bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // A message to the control's own window, before its class procedure.
  virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  // The class procedure itself, for a handler that lets it act first.
  LRESULT CallClassProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual void ApplyColors();
  // The text the tooltip shows; the control's own tip unless a control shows more.
  virtual std::string ShownToolTip() const { return toolTip_; }
  void ApplyToolTip();  // puts ShownToolTip() on the form's tooltip when it changed
  HBRUSH BackBrush();
  void Attach(HWND hwnd);  // name property and lookup for a window just created
  void Detach();           // the window is going away
  // Hands a child's notification to the control that sent it; true when it answered.
  static bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  friend class Form;

  HWND hwnd_ = nullptr;
  Form* form_;

 private:
  static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);
  void Unhook();
  Rect TwipsRect() const;
  RECT PixelRect() const;

  std::string name_;
  int index_ = -1;
  ATOM atom_ = 0;
  uint32_t foreColor_, backColor_;
  HBRUSH brush_ = nullptr;  // owned; only for non-system colours
  WNDPROC classProc_ = nullptr;
  std::string toolTip_, tag_;
  std::string shownTip_;  // what the tooltip control holds for this control
  Rect twips_{};   // as last set
  RECT setPx_{};   // the pixels that setting produced
  bool twipsSet_ = false;
  bool tipAdded_ = false;
  // Asking a window for its text is a round trip through the system, and the main window reads
  // dozens of captions on each keystroke; a control whose text only its program sets keeps a copy,
  // dropped whenever the window is sent new text by anyone.
  bool keepsText_ = false;
  mutable std::optional<std::string> keptText_;
};

// Finds a control by the window's ControlName property among all descendants of `form`.
std::string ControlNameOf(HWND hwnd);
HWND FindControl(HWND form, const std::string& name);
Control* ControlFromHwnd(HWND hwnd);

enum class Align { Left, Center, Right };

class Label : public Control {
 public:
  std::function<void()> onClick, onDblClick;

  enum class Overflow {
    Wrap,          // the caption wraps onto the lines below, as far as the label reaches
    EndEllipsis,   // one line; what does not fit ends in "..."
    PathEllipsis,  // one line; a path that does not fit loses its middle
    Lines,         // wraps onto the lines the label is high; a line that would show in part is left out
  };
  // Unless it wraps freely, a caption that is cut shows whole in the tooltip, above the label's
  // own tip.
  void SetOverflow(Overflow overflow);
  bool Cut() const;  // the caption does not fit: wider than a one-line label, or taller than its lines
  void SetText(const std::string& text) override;

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  std::string ShownToolTip() const override;
  friend class Form;

 private:
  Overflow overflow_ = Overflow::Wrap;
};

class TextBox : public Control {
 public:
  enum Options : unsigned { Password = 1, ReadOnly = 2, MultiLine = 4 };  // ReadOnly: locked
  // Fires on every change of the text: typing, pasting, and SetText with a different text.
  std::function<void()> onChange, onLostFocus, onDblClick;
  void SetText(const std::string& text) override;
  bool Locked() const;
  void SetLocked(bool locked);

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;

 private:
  bool settingText_ = false;
};

// A rich edit control. Plain text goes in and comes out as plain text (line breaks as CR LF), never
// taken for a rich-text document whatever it starts with; LoadRichText loads such a document.
// The text's length has no limit of the control's own, and positions count a line break as one
// character, as the control does.
class RichTextBox : public Control {
 public:
  enum Options : unsigned { ReadOnly = 2 };  // ReadOnly: locked
  // Fires on every change of the text: typing, pasting, SetText and LoadRichText.
  std::function<void()> onChange;
  std::string Text() const override;
  void SetText(const std::string& text) override;
  // An RTF document; false when the control took nothing of it.
  bool LoadRichText(const std::string& rtf);
  bool Locked() const;
  void SetLocked(bool locked);
  long TextLength() const;
  long SelStart() const;
  long SelLength() const;
  void Select(long start, long length);

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  // The background; the text keeps the colours the document gives it.
  void ApplyColors() override;
  friend class Form;

 private:
  bool StreamIn(const std::string& bytes, unsigned format);
  bool settingText_ = false;
};

class CommandButton : public Control {
 public:
  std::function<void()> onClick;
  // Buttons 1 left, 2 right, 4 middle; x, y in twips in the button's client area.
  std::function<void(int button, int x, int y)> onMouseUp;

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;
};

class CheckBox : public Control {
 public:
  // onClick fires on a user click and when Value is set to a different value.
  std::function<void()> onClick;
  int Value() const;  // 0 unticked, 1 ticked, 2 greyed
  void SetValue(int value);

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;
};

// Option buttons with the same parent window are one group: selecting one clears the others.
class OptionButton : public Control {
 public:
  // Fires when the button becomes selected, by the user or by SetValue(true).
  std::function<void()> onClick;
  bool Value() const;
  void SetValue(bool value);

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;
};

class Frame : public Control {
 protected:
  using Control::Control;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;
};

// A picture box or image: a bitmap and/or whatever onPaint draws, over BackColor.
class PictureBox : public Control {
 public:
  std::function<void()> onClick, onDblClick;
  std::function<void(HDC dc, const RECT& client)> onPaint;
  void SetPicture(HBITMAP bitmap);  // takes ownership; nullptr removes it
  ~PictureBox() override;

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  friend class Form;

 private:
  HBITMAP bitmap_ = nullptr;
};
using Image = PictureBox;

struct ListItem {
  std::string text;
  std::vector<std::string> subItems;
  std::string toolTip, tag, key;
  bool operator==(const ListItem&) const = default;
};

// A report-style list view. Items are numbered from 0 in the order they were added; each carries
// a handle (its lParam) that stays the same until the list is cleared or rebuilt.
class ListView : public Control {
 public:
  enum Options : unsigned { NoHeader = 1, FullRowSelect = 2, GridLines = 4 };
  std::function<void(int item)> onItemClick;  // left or right click on an item
  std::function<void(int item)> onDblClick;
  // Buttons 1 left, 2 right, 4 middle; x, y in twips in the list view's client area.
  std::function<void(int button, int x, int y)> onMouseDown, onMouseUp;

  void AddColumn(const std::string& caption, int widthTwips);
  int AddItem(const ListItem& item);
  // Replaces the items unless they already equal `items`; returns whether it rebuilt the list.
  bool SetItems(const std::vector<ListItem>& items);
  void Clear();
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const ListItem& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  LPARAM ItemHandle(int index) const { return handles_.at(static_cast<size_t>(index)); }
  int FindKey(const std::string& key) const;  // -1 when absent
  int SelectedIndex() const;                   // -1 when none
  void SetSelectedIndex(int index);
  int HitTest(int xTwips, int yTwips) const;   // the item at a point, or -1

 protected:
  using Control::Control;
  bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void ApplyColors() override;
  friend class Form;

 private:
  int IndexOfHandle(LPARAM handle) const;
  void MouseUp(int button, POINT pt);
  std::vector<ListItem> items_;
  std::vector<LPARAM> handles_;
  LPARAM nextHandle_ = 1;
  int columns_ = 0;
  int buttonDown_ = 0;  // the button whose release is still to be reported
};

class ProgressBar : public Control {
 public:
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }
  void SetMin(int min);
  void SetMax(int max);
  void SetValue(int value);  // kept within Min..Max

 protected:
  using Control::Control;
  friend class Form;

 private:
  void Apply();
  int min_ = 0, max_ = 100, value_ = 0;
};

// A window timer of its form. Interval 0 means stopped, as does Enabled false.
class Timer {
 public:
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();
  const std::string& Name() const { return name_; }
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::function<void()> onTimer;

 private:
  friend class Form;
  Timer(Form& form, std::string name, UINT_PTR id) : form_(form), name_(std::move(name)), id_(id) {}
  void Apply();
  void Fire();
  Form& form_;
  std::string name_;
  UINT_PTR id_;
  unsigned interval_ = 0;
  bool enabled_ = false;
  bool firing_ = false;
};

class MenuItem {
 public:
  std::string name, caption;  // an empty caption or "-" is a separator
  bool visible = true, enabled = true, checked = false;
  std::function<void()> onClick;
};

// A pop-up menu. Hidden items are left out when it is shown.
class Menu {
 public:
  explicit Menu(std::string name = "") : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }
  MenuItem& AddItem(const std::string& name, const std::string& caption);
  int Count() const { return static_cast<int>(items_.size()); }
  MenuItem& Item(int index) { return *items_.at(static_cast<size_t>(index)); }
  MenuItem* Find(const std::string& name);
  // Runs the item's onClick as a user's choice would: only when it is visible and enabled.
  bool Click(const std::string& name);

 private:
  friend void PopupMenu(Form& form, Menu& menu);
  std::string name_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

// Shows the menu at the mouse cursor and runs the chosen item's onClick once it has closed.
void PopupMenu(Form& form, Menu& menu);

enum class FormStyle {
  Sizable,      // resizable, minimise and maximise boxes
  FixedSingle,  // fixed border, minimise box
  FixedDialog,  // fixed dialog frame, close box only
  NoCaption,    // thin border, no title bar
};

class Form : public Control {
 public:
  explicit Form(std::string name = "");
  ~Form() override;

  // Creates the window, hidden and centred on the screen; width and height are the client
  // area in twips (where controls are placed). False if the window cannot be created.
  bool Create(const std::string& caption, int clientWidth, int clientHeight,
              FormStyle style = FormStyle::FixedSingle);
  bool Loaded() const { return hwnd_ != nullptr; }
  // Fires onLoad once per Create; Show and ShowModal call it first.
  void Load();
  void Show();
  // Disables the owner and every other form, shows this one and returns once it is unloaded.
  void ShowModal(Form* owner = nullptr);
  // Asks onQueryUnload, then onUnload; unless one cancels, destroys the window. Returns whether
  // the form is now unloaded. Closing by the title bar comes here too.
  bool Unload();

  int ScaleWidth() const;  // client area, twips
  int ScaleHeight() const;
  int WindowState() const;  // 0 normal, 1 minimised, 2 maximised
  // With key preview, onKeyPress sees the keys typed into the form's controls as well.
  void SetKeyPreview(bool preview) { keyPreview_ = preview; }
  HWND ToolTipHwnd() const { return toolTip_; }
  // For message loops: key preview and dialog keys (Tab between controls, Enter and Esc). True
  // when the message has been handled and must not be dispatched.
  static bool PreTranslate(MSG& msg);
  // Enter presses the default button (or the push button that has the focus), Esc the cancel
  // button, as in a dialog. The default button also takes the focus when the form first gets it.
  void SetDefaultButton(CommandButton* button);
  void SetCancelButton(CommandButton* button) { cancelButton_ = button; }

  std::function<void()> onLoad, onResize;
  std::function<void(bool& cancel)> onQueryUnload, onUnload;
  // Windows asks before it logs the user off or shuts down; cancelling asks it to wait. When the
  // session does end, every form is ended as by EndProgram.
  std::function<void(bool& cancel)> onQueryEndSession;
  std::function<void(int& key)> onKeyPress;  // the character typed; set it to 0 to drop it

  // Controls owned by the form; `container` makes another control their parent.
  Label& AddLabel(const std::string& name, Rect r, const std::string& caption,
                  Control* container = nullptr, Align align = Align::Left);
  TextBox& AddTextBox(const std::string& name, Rect r, const std::string& text = "",
                      Control* container = nullptr, unsigned options = 0);
  RichTextBox& AddRichTextBox(const std::string& name, Rect r, Control* container = nullptr, unsigned options = 0);
  CommandButton& AddButton(const std::string& name, Rect r, const std::string& caption,
                           Control* container = nullptr);
  CheckBox& AddCheckBox(const std::string& name, Rect r, const std::string& caption,
                        Control* container = nullptr);
  OptionButton& AddOption(const std::string& name, Rect r, const std::string& caption,
                          Control* container = nullptr);
  Frame& AddFrame(const std::string& name, Rect r, const std::string& caption,
                  Control* container = nullptr);
  PictureBox& AddPicture(const std::string& name, Rect r, Control* container = nullptr);
  ListView& AddListView(const std::string& name, Rect r, Control* container = nullptr,
                        unsigned options = 0);
  ProgressBar& AddProgressBar(const std::string& name, Rect r, Control* container = nullptr);
  Timer& AddTimer(const std::string& name, unsigned intervalMs, bool enabled = true);
  Menu& AddMenu(const std::string& name);

  Control* Find(const std::string& name) const;  // by name, ignoring case
  Timer* FindTimer(const std::string& name) const;
  Menu* FindMenu(const std::string& name) const;

 private:
  friend class Timer;
  friend class Control;
  friend class OptionButton;
  friend void EndProgram();
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
  template <class T> T& Adopt(std::unique_ptr<T> control) {
    T& c = *control;
    controls_.push_back(std::move(control));
    return c;
  }
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool PressDialogKey(const MSG& msg);
  void RestoreDisabled();
  HWND EnsureToolTip();

  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<Timer>> timers_;
  std::vector<std::unique_ptr<Menu>> menus_;
  std::vector<HWND> disabledByModal_;
  HWND toolTip_ = nullptr;
  HWND lastFocus_ = nullptr;
  HWND returnTo_ = nullptr;  // a modal form hands the activation back to this window
  CommandButton* defaultButton_ = nullptr;
  CommandButton* cancelButton_ = nullptr;
  UINT_PTR nextId_ = 1000;
  bool loadFired_ = false, unloading_ = false, keyPreview_ = false;
  bool quiet_ = false;  // being destroyed with the object: no more events
};

// The form that owns the active window, else the most recently shown visible form, else null.
Form* ActiveForm();
// Ends the program's windows at once, as an End statement does: every loaded form is destroyed
// without its unload events (nothing can cancel it), so the main loop returns.
void EndProgram();
// Whether EndProgram has run, or the Windows session has ended: nothing new may be opened.
bool ProgramEnded();
// Forgets it, for a run of the program's windows that starts afresh.
void ClearProgramEnded();

// Lets pending window events run: dispatches until the queue is empty.
void DoEvents();
// The program's main loop: returns once `main` is unloaded, having ended every other form with
// it, or on WM_QUIT.
int RunMessageLoop(const Form& main);

// Message boxes go through one replaceable function, so tests can answer them. The default
// calls MessageBoxA with the active form as owner. Setting an empty handler restores it;
// the previous handler is returned.
using MsgBoxHandler = std::function<int(const std::string& text, unsigned style, const std::string& title)>;
int MsgBox(const std::string& text, unsigned style, const std::string& title);
MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler);

// The open-file dialog, replaceable the same way. `filter` is "Description|pattern|..."; flags
// are OPENFILENAME flags (0x1004: file must exist, no read-only box). Returns the chosen path,
// or "" when cancelled.
using OpenFileHandler = std::function<std::string(HWND owner, const std::string& title, const std::string& filter,
                                                  const std::string& initialDir, unsigned flags)>;
std::string ShowOpenFileDialog(HWND owner, const std::string& title, const std::string& filter,
                               const std::string& initialDir, unsigned flags = 0x1004);
OpenFileHandler SetOpenFileHandler(OpenFileHandler handler);
// The save-file dialog, replaceable the same way: it offers `initialFile`, asks before replacing a
// file that exists, and returns the chosen path, or "" when cancelled.
std::string ShowSaveFileDialog(HWND owner, const std::string& title, const std::string& filter,
                               const std::string& initialFile);
OpenFileHandler SetSaveFileHandler(OpenFileHandler handler);

// The print dialog, replaceable the same way. Takes and fills `dialog` as PrintDlgA does (the
// printer's device context with PD_RETURNDC, the range chosen in Flags) and answers whether the
// user chose to print; false when cancelled or failed.
using PrintDialogHandler = std::function<bool(PRINTDLGA& dialog)>;
bool ShowPrintDialog(PRINTDLGA& dialog);
PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler);

}  // namespace lw::forms
