// The forms toolkit against real windows (Wine on a virtual display).
#include "app/forms/forms_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/forms/forms_core.h"
#include "app/tools/text.h"
#include "tests/fixtures/test_env_win.h"

namespace lw::forms {
namespace {

using Strings = std::vector<std::string>;

using fixtures::PumpFor;
using fixtures::PumpUntil;
using fixtures::ToolTipOf;

// The colour of the brush `parent` answers a WM_CTLCOLOR* of `c` with; `dc` gets the text colours.
COLORREF CtlColor(HWND parent, UINT msg, HDC dc, const Control& c) {
  LOGBRUSH lb{};
  auto brush = SendMessageA(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(c.Hwnd()));
  GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
  return lb.lbColor;
}

COLORREF PixelOf(const Control& c, int x, int y) {
  HDC dc = GetDC(c.Hwnd());
  COLORREF px = GetPixel(dc, x, y);
  ReleaseDC(c.Hwnd(), dc);
  return px;
}

void TypeText(const std::string& text) {
  for (char ch : text) {
    INPUT in[2]{};
    for (INPUT& i : in) {
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = LOBYTE(VkKeyScanA(ch));
    }
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
  }
}

// A mouse message at (2, 2) of the control.
void Mouse(const Control& c, UINT msg) { SendMessageA(c.Hwnd(), msg, MK_LBUTTON, MAKELPARAM(2, 2)); }

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.Create("Forms test", 7200, 5400, FormStyle::Sizable));
    form.Show();
    SetForegroundWindow(form.Hwnd());
    DoEvents();
  }
  std::function<void()> Log(std::string event) {
    return [this, event] { events.push_back(event); };
  }
  Form form{"frmTest"};
  Strings events;
};

TEST_F(FormsTest, ControlsAreFoundByTheirNamePropertyIncludingArraysInsideFrames) {
  Frame& fra = form.AddFrame("fraSpeed", {120, 120, 3000, 2400}, "Speed Test");
  std::vector<OptionButton*> opts;
  for (int i = 0; i < 6; ++i)
    opts.push_back(&form.AddOption(ArrayElementName("optTest", i), {120, 240 + i * 300, 2400, 255}, "Test", &fra));
  Label& lbl = form.AddLabel("lblPath", {3300, 120, 1500, 255}, "Data Path");

  EXPECT_EQ(FindControl(form.Hwnd(), "optTest(3)"), opts[3]->Hwnd());
  EXPECT_EQ(GetParent(opts[3]->Hwnd()), fra.Hwnd());
  EXPECT_EQ(opts[3]->Index(), 3);
  EXPECT_EQ(lbl.Index(), -1);
  EXPECT_EQ(FindControl(form.Hwnd(), "lblPath"), lbl.Hwnd());
  EXPECT_EQ(FindControl(form.Hwnd(), "optTest(6)"), nullptr);
  EXPECT_EQ(FindControl(form.Hwnd(), ""), nullptr);

  // The property is a global atom of the name, readable by any process.
  char buf[64] = "";
  GlobalGetAtomNameA(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(lbl.Hwnd(), "ControlName"))), buf,
                     sizeof buf);
  EXPECT_STREQ(buf, "lblPath");

  EXPECT_EQ(form.Find("LBLPATH"), &lbl);
  EXPECT_EQ(form.Find("lblNone"), nullptr);
  EXPECT_EQ(ControlFromHwnd(opts[5]->Hwnd()), opts[5]);
  EXPECT_EQ(ControlNameOf(form.Hwnd()), "frmTest");
}

TEST(FormsLifetime, UnloadReleasesNamesAndLeavesControlsSafeToUse) {
  // Global atoms outlive processes: a name of this run only.
  const std::string name = "lblLife" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount());
  Form f("frmLife");
  ASSERT_TRUE(f.Create("Life", 3000, 2000));
  Label& lbl = f.AddLabel(name, {0, 0, 1000, 255}, "x");
  lbl.SetToolTipText("tip");
  f.Show();
  EXPECT_NE(GlobalFindAtomA(name.c_str()), 0);
  HWND h = lbl.Hwnd();
  EXPECT_TRUE(f.Unload());
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
  EXPECT_EQ(lbl.Hwnd(), nullptr);
  lbl.SetCaption("after");  // no window: ignored, not a crash
  lbl.SetBackColor(0xFF);
  EXPECT_EQ(lbl.Caption(), "");
  EXPECT_FALSE(lbl.Enabled());

  ASSERT_TRUE(f.Create("Life", 3000, 2000));  // loaded again, with no controls
  EXPECT_EQ(f.Find(name), nullptr);
}

TEST_F(FormsTest, TextBoxEventsStylesAndChangesBySettingAndTyping) {
  TextBox& txt = form.AddTextBox("txtPath", {120, 120, 3000, 315}, "initial");
  TextBox& locked = form.AddTextBox("txtTemp", {120, 600, 3000, 315}, "fixed", nullptr, TextBox::ReadOnly);
  TextBox& pw = form.AddTextBox("txtPw", {120, 1080, 3000, 315}, "", nullptr, TextBox::Password);
  Strings seen;
  int lost = 0, dbl = 0;
  txt.onChange = [&] { seen.push_back(txt.Text()); };
  txt.onLostFocus = [&] { ++lost; };
  txt.onDblClick = [&] { ++dbl; };

  // Once per programmatic change, seeing the new text; the text it was created with is none.
  txt.SetText("C:\\Data");
  txt.SetText("C:\\Data");
  txt.SetText("");
  PumpFor(50);
  EXPECT_EQ(seen, (Strings{"C:\\Data", ""}));

  // Once per keystroke.
  txt.SetFocus();
  TypeText("abc");
  ASSERT_TRUE(PumpUntil([&] { return txt.Text() == "abc"; })) << txt.Text();
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_EQ(lost, 0);
  locked.SetFocus();
  EXPECT_EQ(lost, 1);
  EXPECT_TRUE(GetWindowLongPtrA(locked.Hwnd(), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(locked.Locked());
  locked.SetLocked(false);
  EXPECT_FALSE(locked.Locked());

  Mouse(txt, WM_LBUTTONDBLCLK);
  EXPECT_EQ(dbl, 1);
  EXPECT_TRUE(GetWindowLongPtrA(pw.Hwnd(), GWL_STYLE) & ES_PASSWORD);
  EXPECT_FALSE(GetWindowLongPtrA(txt.Hwnd(), GWL_STYLE) & ES_PASSWORD);
}

TEST_F(FormsTest, EnabledAndVisibleAreTheWindowsOwnStateAndPositionsFollowTheRealWindow) {
  Frame& fra = form.AddFrame("fraTemp", {600, 300, 4000, 3000}, "Report Temp Folder");
  CommandButton& cmd = form.AddButton("cmdTempFix", {1000, 500, 2000, 300}, "Fix", &fra);
  // The window's enabled state and the control's, then the same of visible.
  auto state = [&] {
    return std::vector<bool>{bool(IsWindowEnabled(cmd.Hwnd())), cmd.Enabled(), bool(IsWindowVisible(cmd.Hwnd())),
                             cmd.Visible()};
  };
  cmd.SetEnabled(false);
  cmd.SetVisible(false);
  EXPECT_EQ(state(), (std::vector<bool>{false, false, false, false}));
  cmd.SetEnabled(true);
  cmd.SetVisible(true);
  fra.SetVisible(false);  // hides what is in it, while the control keeps its own flag
  EXPECT_EQ(state(), (std::vector<bool>{true, true, false, true}));

  // Twips read back as set, the window placed in pixels relative to the frame.
  auto place = [&] { return std::vector<int>{cmd.Left(), cmd.Top(), cmd.Width(), cmd.Height()}; };
  auto pixels = [&] {
    RECT px;
    GetWindowRect(cmd.Hwnd(), &px);
    MapWindowPoints(HWND_DESKTOP, fra.Hwnd(), reinterpret_cast<POINT*>(&px), 2);
    return std::vector<LONG>{px.left, px.top, px.right - px.left};
  };
  EXPECT_EQ(place(), (std::vector<int>{1000, 500, 2000, 300}));
  EXPECT_EQ(pixels(), (std::vector<LONG>{TwipsToPixelsX(1000), TwipsToPixelsY(500), TwipsToPixelsX(2000)}));
  cmd.Move(1010, 20, 333, 300);
  cmd.SetTop(750);
  EXPECT_EQ(place(), (std::vector<int>{1010, 750, 333, 300}));
  EXPECT_EQ(pixels(), (std::vector<LONG>{TwipsToPixelsX(1010), TwipsToPixelsY(750), TwipsToPixelsX(333)}));
  // Moved behind the toolkit's back, the control reports where it really is.
  MoveWindow(cmd.Hwnd(), 10, 20, 30, 40, FALSE);
  EXPECT_EQ(place(),
            (std::vector<int>{PixelsToTwipsX(10), PixelsToTwipsY(20), PixelsToTwipsX(30), PixelsToTwipsY(40)}));
  RECT client;
  GetClientRect(form.Hwnd(), &client);
  EXPECT_EQ((std::vector<LONG>{client.right, client.bottom}),
            (std::vector<LONG>{TwipsToPixelsX(7200), TwipsToPixelsY(5400)}));
  EXPECT_EQ(form.ScaleWidth(), PixelsToTwipsX(client.right));
}

TEST_F(FormsTest, ColoursReachThePaintingThroughTheParentAndPicturesPaintTheirBackgroundThenTheCallback) {
  Frame& fra = form.AddFrame("fraSmb", {120, 120, 3000, 1500}, "SMB Signing");
  Label& lbl = form.AddLabel("lblState", {120, 300, 2000, 255}, "On", &fra);
  TextBox& txt = form.AddTextBox("txtPath", {3300, 120, 3000, 315});
  lbl.SetForeColor(0xFF00FF);
  lbl.SetBackColor(0x00FFFF);
  txt.SetBackColor(0xFFC0FF);
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(CtlColor(fra.Hwnd(), WM_CTLCOLORSTATIC, dc, lbl), 0x00FFFFu);
  EXPECT_EQ(GetTextColor(dc), 0xFF00FFu);
  EXPECT_EQ(GetBkColor(dc), 0x00FFFFu);
  lbl.SetBackColor(kColorButtonFace);  // system colours are resolved
  EXPECT_EQ(CtlColor(fra.Hwnd(), WM_CTLCOLORSTATIC, dc, lbl), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(CtlColor(form.Hwnd(), WM_CTLCOLOREDIT, dc, txt), 0xFFC0FFu);
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
  DeleteDC(dc);

  // And on the screen: an empty label is all background, a frame too below its controls, and a
  // picture its background under what its callback drew on it.
  Label& blank = form.AddLabel("lblBlank", {3300, 900, 900, 600}, "");
  PictureBox& bulb = form.AddPicture("picBulbY", {4500, 900, 600, 600});
  blank.SetBackColor(0x0000FF);
  fra.SetBackColor(0x00FF00);
  bulb.SetBackColor(0xFFFFFF);
  RECT painted{}, client{};
  bulb.onPaint = [&](HDC paint, const RECT& rc) {
    painted = rc;
    RECT dot{rc.left + 10, rc.top + 10, rc.left + 20, rc.top + 20};
    HBRUSH yellow = CreateSolidBrush(0x00FFFF);
    FillRect(paint, &dot, yellow);
    DeleteObject(yellow);
  };
  for (Control* c : std::initializer_list<Control*>{&blank, &fra, &bulb}) c->Refresh();
  GetClientRect(bulb.Hwnd(), &client);
  EXPECT_TRUE(EqualRect(&painted, &client));
  EXPECT_EQ(
      (std::vector<COLORREF>{PixelOf(blank, 5, 5), PixelOf(fra, 30, 90), PixelOf(bulb, 15, 15), PixelOf(bulb, 3, 3)}),
      (std::vector<COLORREF>{0x0000FF, 0x00FF00, 0x00FFFF, 0xFFFFFF}));
}

TEST_F(FormsTest, ToolTipTextIsSetOnTheRealToolTipControl) {
  Image& tick = form.AddPicture("imgTick(1)", {120, 120, 240, 240});
  Label& lbl = form.AddLabel("lblMem", {600, 120, 2000, 255}, "50%");
  tick.SetToolTipText("Password is Correct");
  lbl.SetToolTipText("Available 1 GB");
  ASSERT_NE(form.ToolTipHwnd(), nullptr);
  EXPECT_EQ(ToolTipOf(form, tick.Hwnd()), "Password is Correct");
  EXPECT_EQ(ToolTipOf(form, lbl.Hwnd()), "Available 1 GB");
  lbl.SetToolTipText("A Memory Upgrade is Recommended");
  EXPECT_EQ(ToolTipOf(form, lbl.Hwnd()), "A Memory Upgrade is Recommended");
  lbl.SetToolTipText("");
  EXPECT_EQ(SendMessageA(form.ToolTipHwnd(), TTM_GETTOOLCOUNT, 0, 0), 1) << "an empty text removes the tip";
  const std::string longTip = "again, " + std::string(200, 'x');
  lbl.SetToolTipText(longTip);
  EXPECT_EQ(ToolTipOf(form, lbl.Hwnd()), longTip);
}

TEST_F(FormsTest, ClicksAreRoutedFromInsideAPictureAndAFrameAndMouseUpReportsWhichButton) {
  PictureBox& pic = form.AddPicture("picAutoRefresh", {120, 120, 3000, 600});
  Label& inner = form.AddLabel("Label23", {300, 120, 1500, 255}, "Auto Refresh", &pic);
  Label& path = form.AddLabel("lblPath", {120, 900, 1500, 255}, "Data Path");
  inner.onClick = Log("inner");
  path.onClick = Log("click");
  path.onDblClick = Log("dbl");
  pic.onClick = Log("pic");
  Mouse(inner, WM_LBUTTONDOWN);
  Mouse(path, WM_LBUTTONDOWN);
  Mouse(path, WM_LBUTTONDBLCLK);
  Mouse(pic, WM_LBUTTONDOWN);
  EXPECT_EQ(events, (Strings{"inner", "click", "dbl", "pic"}));

  events.clear();
  Frame& fra = form.AddFrame("picButtons", {120, 1500, 3000, 900}, "");
  CommandButton& cmd = form.AddButton("cmdWebUpdate", {120, 240, 1800, 375}, "Check for Update", &fra);
  cmd.onClick = Log("button");
  cmd.onMouseUp = [&](int button, int x, int y) { events.push_back(Format("up %d %d %d", button, x, y)); };
  // A right click is no click; the left one clicks first, then reports its release.
  PostMessageA(cmd.Hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 6));
  PostMessageA(cmd.Hwnd(), WM_RBUTTONUP, 0, MAKELPARAM(4, 6));
  PostMessageA(cmd.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageA(cmd.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(events.empty()) << "queued until events run";
  PumpFor(100);
  EXPECT_EQ(events, (Strings{"up 2 60 90", "button", "up 1 30 30"}));
}

TEST_F(FormsTest, ClickFiresForUsersAndForChangedValuesAndOptionsClearTheirOwnContainerOnly) {
  CheckBox& chk = form.AddCheckBox("chkRfrsh", {120, 120, 2000, 255}, "Auto Refresh");
  std::vector<int> seen;  // the value each click handler saw
  chk.onClick = [&] { seen.push_back(chk.Value()); };
  chk.SetValue(1);
  chk.SetValue(1);
  SendMessageA(chk.Hwnd(), BM_CLICK, 0, 0);  // as a user's click
  chk.SetValue(2);
  EXPECT_EQ(SendMessageA(chk.Hwnd(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 2}));

  Frame& fra = form.AddFrame("fraSpeed", {120, 600, 3000, 1500}, "Speed Test");
  std::vector<OptionButton*> opts;
  for (int i = 0; i < 3; ++i) {
    opts.push_back(&form.AddOption(ArrayElementName("optTest", i), {120, 240 + i * 300, 2400, 255}, "Test", &fra));
    opts.back()->onClick = Log(std::to_string(i));
  }
  OptionButton& elsewhere = form.AddOption("optOther", {3300, 600, 2400, 255}, "Other");
  elsewhere.SetValue(true);
  SendMessageA(opts[1]->Hwnd(), BM_CLICK, 0, 0);
  opts[2]->SetValue(true);
  SendMessageA(opts[2]->Hwnd(), BM_CLICK, 0, 0);  // already selected: no new event
  EXPECT_EQ((std::vector<bool>{opts[0]->Value(), opts[1]->Value(), opts[2]->Value(), elsewhere.Value()}),
            (std::vector<bool>{false, false, true, true}));
  EXPECT_EQ(events, (Strings{"1", "2"}));
}

std::vector<ListItem> QueueItems() {
  return {
      {"ANNE (Backup)", {}, "PC1", "ANNE", ""}, {"BOB", {}, "PC2", "BOB", "k2"}, {"CAROL", {"x"}, "PC3", "CAROL", ""}};
}

LPARAM ItemParam(HWND lv, int index) {
  LVITEMA it{};
  it.mask = LVIF_PARAM;
  it.iItem = index;
  SendMessageA(lv, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return it.lParam;
}

std::string ItemText(HWND lv, int index, int sub) {
  char buf[256] = "";
  LVITEMA it{};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  SendMessageA(lv, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&it));
  return buf;
}

// Asks the list view's form for an item's info tip, as the list view does, into a buffer of `size`.
std::string InfoTip(const Form& form, const ListView& lvi, int item, int size) {
  char buf[80] = "ANNE (Backup)";
  NMLVGETINFOTIPA tip{};
  tip.hdr.hwndFrom = lvi.Hwnd();
  tip.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(lvi.Hwnd()));
  tip.hdr.code = LVN_GETINFOTIPA;
  tip.iItem = item;
  tip.pszText = buf;
  tip.cchTextMax = size;
  SendMessageA(form.Hwnd(), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
  return buf;
}

TEST_F(FormsTest, ListViewKeepsItsItemsWhenNothingChangedAndTipsComeFromThem) {
  ListView& lvi = form.AddListView("lviQueue", {120, 120, 4000, 1600}, nullptr, ListView::FullRowSelect);
  lvi.AddColumn("User", 2000);
  lvi.AddColumn("More", 1500);
  EXPECT_TRUE(lvi.SetItems(QueueItems()));
  HWND lv = lvi.Hwnd();
  ASSERT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(ItemText(lv, 0, 0), "ANNE (Backup)");
  EXPECT_EQ(ItemText(lv, 2, 1), "x");
  EXPECT_EQ(InfoTip(form, lvi, 1, 3), "PC");  // cut to the buffer
  EXPECT_EQ(InfoTip(form, lvi, 2, 80), "PC3");
  std::vector<LPARAM> before;
  for (int i = 0; i < 3; ++i) {
    before.push_back(ItemParam(lv, i));
    EXPECT_EQ(lvi.ItemHandle(i), before.back());
  }
  lvi.SetSelectedIndex(1);

  EXPECT_FALSE(lvi.SetItems(QueueItems()));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ItemParam(lv, i), before[static_cast<size_t>(i)]);
  EXPECT_EQ(lvi.SelectedIndex(), 1);

  auto changed = QueueItems();
  changed[1].toolTip = "PC9";
  EXPECT_TRUE(lvi.SetItems(changed));
  EXPECT_EQ(lvi.ItemCount(), 3);
  EXPECT_NE(ItemParam(lv, 1), before[1]);
  EXPECT_EQ(lvi.Item(1).toolTip, "PC9");
  EXPECT_EQ(lvi.FindKey("k2"), 1);
  EXPECT_EQ(lvi.FindKey("none"), -1);

  lvi.Clear();
  EXPECT_EQ(lvi.ItemCount(), 0);
  EXPECT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(FormsTest, ListViewRightClickReportsDownThenItemThenUp) {
  Frame& fra = form.AddFrame("fraQueue", {120, 120, 5000, 2400}, "Logged In Users");
  ListView& lvi = form.AddListView("lviQueue", {120, 240, 4600, 2000}, &fra, ListView::FullRowSelect);
  lvi.AddColumn("User", 3000);
  lvi.SetItems(QueueItems());
  lvi.onMouseDown = [&](int b, int, int) { events.push_back("down" + std::to_string(b)); };
  lvi.onItemClick = [&](int item) { events.push_back("item" + std::to_string(item)); };
  lvi.onMouseUp = [&](int b, int, int) { events.push_back("up" + std::to_string(b)); };
  RECT rc{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(SendMessageA(lvi.Hwnd(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc)));
  const int x = rc.left + 10, y = (rc.top + rc.bottom) / 2;
  EXPECT_EQ(lvi.HitTest(PixelsToTwipsX(x), PixelsToTwipsY(y)), 1);

  auto click = [&](UINT down, UINT up, LPARAM at, const Strings& expected) {
    events.clear();
    PostMessageA(lvi.Hwnd(), down, down == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON, at);
    PostMessageA(lvi.Hwnd(), up, 0, at);
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= expected.size(); }));
    PumpFor(50);
    EXPECT_EQ(events, expected);
  };
  click(WM_RBUTTONDOWN, WM_RBUTTONUP, MAKELPARAM(x, y), {"down2", "item1", "up2"});
  click(WM_LBUTTONDOWN, WM_LBUTTONUP, MAKELPARAM(10, rc.bottom + 3 * (rc.bottom - rc.top)), {"down1", "up1"});
}

TEST_F(FormsTest, TimerFiresThroughTheMessageLoopStopsWhenDisabledAndIsNotEnteredAgain) {
  Timer& timer = form.AddTimer("Timer1", 10);
  int ticks = 0, depth = 0, maxDepth = 0;
  timer.onTimer = [&] {
    maxDepth = std::max(maxDepth, ++depth);
    if (++ticks == 1) PumpFor(100);  // a handler that lets events run
    --depth;
  };
  EXPECT_EQ(ticks, 0);  // only through the message loop
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 2; }));
  EXPECT_EQ(maxDepth, 1);
  timer.SetEnabled(false);
  const int stopped = ticks;
  PumpFor(200);
  EXPECT_EQ(ticks, stopped);
  timer.SetInterval(0);
  timer.SetEnabled(true);  // interval 0: still stopped
  PumpFor(150);
  EXPECT_EQ(ticks, stopped);
  timer.SetInterval(20);
  ASSERT_TRUE(PumpUntil([&] { return ticks > stopped; }));
  EXPECT_EQ(form.FindTimer("timer1"), &timer);
}

TEST(FormsLoop, EndProgramDestroysEveryFormWithoutAskingAndEndsTheLoop) {
  Form other("frmAbout"), main("frmMain");
  ASSERT_TRUE(other.Create("Other", 3000, 1500));
  other.Show();
  ASSERT_TRUE(main.Create("Main", 3000, 1500));
  TextBox& txt = main.AddTextBox("txtPath", {120, 120, 2000, 315});
  int lostFocus = 0, unloads = 0;
  txt.onLostFocus = [&] { ++lostFocus; };
  main.onUnload = [&](bool& cancel) {
    ++unloads;
    cancel = true;  // an End is not asked
  };
  main.Show();
  SetForegroundWindow(main.Hwnd());
  txt.SetFocus();
  DoEvents();
  ASSERT_EQ(GetFocus(), txt.Hwnd());
  main.AddTimer("Timer1", 20).onTimer = [&] { EndProgram(); };
  EXPECT_EQ(RunMessageLoop(main), 0);
  EXPECT_TRUE(ProgramEnded());
  EXPECT_FALSE(other.Loaded());
  EXPECT_FALSE(main.Loaded());
  EXPECT_EQ(unloads, 0);
  EXPECT_EQ(lostFocus, 0) << "the box that had the focus ran its handler on the way out";
  // A form ended so can be loaded again and runs its handlers as before.
  ASSERT_TRUE(main.Create("Main", 3000, 1500));
  main.onUnload = [&](bool&) { ++unloads; };
  EXPECT_TRUE(main.Unload());
  EXPECT_EQ(unloads, 1);
}

TEST_F(FormsTest, ShowModalDisablesTheOwnerUntilTheFormIsUnloadedAndFocusesTheDefaultButton) {
  Form other("frmOther"), modal("frmModal");
  ASSERT_TRUE(other.Create("Other", 3000, 1500));
  other.Show();
  ASSERT_TRUE(modal.Create("Modal", 3000, 1500, FormStyle::FixedDialog));
  modal.AddButton("cmdFirst", {120, 120, 1200, 375}, "First");
  CommandButton& cont = modal.AddButton("cmdContinue", {1500, 120, 1200, 375}, "Continue");
  modal.SetDefaultButton(&cont);
  bool ownerDisabled = false, otherDisabled = false, loaded = false;
  HWND focused = nullptr, wanted = cont.Hwnd();
  modal.onLoad = [&] { loaded = true; };
  modal.AddTimer("tmrClose", 50).onTimer = [&] {
    ownerDisabled = !IsWindowEnabled(form.Hwnd());
    otherDisabled = !IsWindowEnabled(other.Hwnd());
    focused = GetFocus();
    modal.Unload();
  };
  modal.ShowModal(&form);
  EXPECT_TRUE(loaded && ownerDisabled && otherDisabled);
  EXPECT_EQ(focused, wanted) << "a dialog opens with its default button focused";
  EXPECT_FALSE(modal.Loaded());
  EXPECT_TRUE(IsWindowEnabled(form.Hwnd()) && IsWindowEnabled(other.Hwnd()));
  EXPECT_EQ(GetActiveWindow(), form.Hwnd());  // the owner gets the activation back
}

TEST_F(FormsTest, LoadFiresOnceBeforeShowingAndUnloadAsksTheHandlersWhichCanCancel) {
  Form f("frmAbout");
  ASSERT_TRUE(f.Create("About", 3000, 1500));
  bool visibleAtLoad = true, cancel = true;
  int loads = 0, queries = 0, unloads = 0;
  f.onLoad = [&] {
    ++loads;
    visibleAtLoad = IsWindowVisible(f.Hwnd());
  };
  f.onQueryUnload = [&](bool& c) {
    ++queries;
    c = cancel;
  };
  f.onUnload = [&](bool&) { ++unloads; };
  f.Show();
  f.Show();
  EXPECT_EQ(loads, 1);
  EXPECT_FALSE(visibleAtLoad);
  EXPECT_TRUE(IsWindowVisible(f.Hwnd()));
  EXPECT_EQ(ActiveForm(), &f);

  EXPECT_FALSE(f.Unload());
  SendMessageA(f.Hwnd(), WM_CLOSE, 0, 0);  // the title bar's close box
  EXPECT_TRUE(f.Loaded());
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(unloads, 0);
  cancel = false;
  HWND h = f.Hwnd();
  SendMessageA(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(f.Loaded());
  EXPECT_EQ(unloads, 1);

  Form g("frmBusy");
  ASSERT_TRUE(g.Create("Busy", 3000, 1500));
  g.onUnload = [](bool& c) { c = true; };  // cancelling in the unload handler works the same
  EXPECT_FALSE(g.Unload());
  EXPECT_TRUE(g.Loaded());
}

TEST_F(FormsTest, KeyPressReachesTheFormAndWithKeyPreviewSeesControlsKeys) {
  TextBox& txt = form.AddTextBox("txtExc", {120, 120, 3000, 315});
  std::vector<int> keys;
  form.onKeyPress = [&](int& key) {
    keys.push_back(key);
    if (key == 'x') key = 0;
  };
  PostMessageA(form.Hwnd(), WM_CHAR, 'q', 0);
  PostMessageA(txt.Hwnd(), WM_CHAR, 'a', 0);  // without key preview: the box's own
  DoEvents();
  EXPECT_EQ(keys, (std::vector<int>{'q'}));
  EXPECT_EQ(txt.Text(), "a");

  form.SetKeyPreview(true);
  PostMessageA(txt.Hwnd(), WM_CHAR, 'x', 0);  // dropped by the form
  PostMessageA(txt.Hwnd(), WM_CHAR, 'b', 0);
  DoEvents();
  EXPECT_EQ(keys, (std::vector<int>{'q', 'x', 'b'}));
  EXPECT_EQ(txt.Text(), "ab");
}

TEST_F(FormsTest, TabMovesTheFocusThroughFramesInCreationOrder) {
  TextBox& first = form.AddTextBox("txtUser", {120, 120, 2000, 315});
  form.AddLabel("Label6", {120, 500, 2000, 255}, "Password");  // not a tab stop
  Frame& fra = form.AddFrame("fraTemp", {120, 900, 3000, 1000}, "Report Temp Folder");
  TextBox& inFrame = form.AddTextBox("txtTemp", {120, 300, 2000, 315}, "C:\\Temp", &fra);
  first.SetFocus();
  PostMessageA(first.Hwnd(), WM_KEYDOWN, VK_TAB, 0);
  DoEvents();
  EXPECT_EQ(GetFocus(), inFrame.Hwnd());
  DWORD start = 0, end = 0;
  SendMessageA(inFrame.Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end - start, 7u);  // entering a box selects its text
}

TEST(FormsLoop, RunMessageLoopEndsWithTheMainFormTakingTheOthersOrOnQuit) {
  {
    Form f("frmMain"), hidden("frmGetRss");
    ASSERT_TRUE(hidden.Create("Check", 3000, 1500));
    hidden.Load();
    ASSERT_TRUE(f.Create("Main", 3000, 1500));
    f.Show();
    f.AddTimer("Timer1", 20).onTimer = [&] { f.Unload(); };
    EXPECT_EQ(RunMessageLoop(f), 0);
    EXPECT_FALSE(f.Loaded());
    EXPECT_FALSE(hidden.Loaded()) << "a hidden form would keep a process without a window";
  }
  Form g("frmMain");
  ASSERT_TRUE(g.Create("Main", 3000, 1500));
  g.Show();
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(g), 3);
  EXPECT_TRUE(g.Loaded());
  PostQuitMessage(4);
  DoEvents();  // leaves the quit for the program's loop
  EXPECT_EQ(RunMessageLoop(g), 4);
}

// Sends a message from another thread, as UI automation, a screen reader or Windows at log-off
// does from another process: it is handled inside the GetMessage of whatever loop this thread
// waits in, and no posted message follows it. A loop that does not notice its window has gone is
// woken after 3 s, so that the test fails instead of hanging.
class SentFromElsewhere {
 public:
  SentFromElsewhere(HWND target, UINT msg, WPARAM wp, LPARAM lp) : waiter_(GetCurrentThreadId()) {
    thread_ = std::thread([=, this] {
      while (!IsWindowVisible(target) && IsWindow(target)) Sleep(10);
      DWORD_PTR answer = 0;
      SendMessageTimeoutA(target, msg, wp, lp, SMTO_NORMAL, 5000, &answer);
      for (int i = 0; i < 300 && !returned_; ++i) Sleep(10);
      if (!returned_) PostThreadMessageA(waiter_, WM_NULL, 0, 0);
    });
  }
  ~SentFromElsewhere() { Returned(); }
  // Call when the loop has returned.
  void Returned() {
    returned_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  DWORD waiter_;
  std::atomic<bool> returned_{false};
  std::thread thread_;
};

TEST(FormsLoop, LoopsEndWhenTheirWindowGoesInsideASentMessage) {
  struct Way {
    const char* name;
    UINT msg;
    WPARAM wp;
    bool toButton;
  };
  const Way ways[] = {{"button clicked", BM_CLICK, 0, true},
                      {"close box", WM_SYSCOMMAND, SC_CLOSE, false},
                      {"close message", WM_CLOSE, 0, false},
                      {"end of the session", WM_ENDSESSION, TRUE, false}};
  for (const Way& way : ways) {
    for (bool modal : {true, false}) {
      SCOPED_TRACE(std::string(way.name) + (modal ? " (modal)" : " (main loop)"));
      Form f("frmAbout");
      ASSERT_TRUE(f.Create("Leave", 3000, 1500, FormStyle::FixedDialog));
      CommandButton& ok = f.AddButton("cmdOK", {120, 120, 1200, 375}, "Continue");
      ok.onClick = [&] { f.Unload(); };
      SentFromElsewhere send(way.toButton ? ok.Hwnd() : f.Hwnd(), way.msg, way.wp, 0);
      ULONGLONG start = GetTickCount64();
      if (modal) {
        f.ShowModal();
      } else {
        f.Show();
        RunMessageLoop(f);
      }
      ULONGLONG took = GetTickCount64() - start;
      send.Returned();
      EXPECT_FALSE(f.Loaded());
      EXPECT_LT(took, 2500u) << "the loop outlived its window";
    }
  }
}

TEST(FormsLoop, WindowsAsksBeforeTheSessionEndsAndThenEveryFormEndsWithoutItsEvents) {
  Form main("frmMain"), other("frmOther");
  ASSERT_TRUE(other.Create("Other", 3000, 1500));
  ASSERT_TRUE(main.Create("Main", 3000, 1500));
  bool busy = true;
  int unloads = 0;
  main.onQueryEndSession = [&](bool& cancel) { cancel = busy; };
  main.onUnload = [&](bool&) { ++unloads; };
  EXPECT_EQ(SendMessageA(main.Hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE);
  busy = false;
  EXPECT_EQ(SendMessageA(main.Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(SendMessageA(other.Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE) << "a form that does not ask";
  SendMessageA(main.Hwnd(), WM_ENDSESSION, FALSE, 0);  // another program refused: nothing ends
  EXPECT_TRUE(main.Loaded());
  SendMessageA(main.Hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(main.Loaded());
  EXPECT_FALSE(other.Loaded());
  EXPECT_EQ(unloads, 0);
  EXPECT_TRUE(ProgramEnded()) << "the start-up must not go on to open a window";
}

TEST_F(FormsTest, EnterPressesTheDefaultOrFocusedButtonAndEscTheCancelButton) {
  CommandButton& ok = form.AddButton("cmdOK", {120, 120, 1200, 375}, "OK");
  CommandButton& other = form.AddButton("cmdOther", {1500, 120, 1200, 375}, "Other");
  CommandButton& cancel = form.AddButton("cmdCancel", {2900, 120, 1200, 375}, "Cancel");
  TextBox& line = form.AddTextBox("txtLine", {120, 600, 3000, 315});
  TextBox& lines = form.AddTextBox("txtLines", {120, 1000, 3000, 900}, "", nullptr, TextBox::MultiLine);
  ok.onClick = Log("ok");
  other.onClick = Log("other");
  cancel.onClick = Log("cancel");
  form.SetDefaultButton(&ok);
  form.SetCancelButton(&cancel);
  EXPECT_EQ(GetWindowLongPtrA(ok.Hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  auto key = [](const Control& c, WPARAM vk) {
    SetFocus(c.Hwnd());
    PostMessageA(c.Hwnd(), WM_KEYDOWN, vk, 0);
    DoEvents();
  };
  key(line, VK_RETURN);
  key(other, VK_RETURN);
  key(line, VK_ESCAPE);
  key(lines, VK_RETURN);  // a box that takes line breaks keeps Enter
  EXPECT_EQ(events, (Strings{"ok", "other", "cancel"}));
  EXPECT_EQ(lines.Text(), "\r\n");
  ok.SetEnabled(false);
  key(line, VK_RETURN);
  EXPECT_EQ(events.size(), 3u) << "a disabled default button is not pressed";
}

// What the real pop-up menu holds while it is open, read when the form is told it opens:
// each item's text, "(grayed)" after a disabled one.
LRESULT CALLBACK RecordPopup(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_INITMENUPOPUP) {
    auto* shown = reinterpret_cast<Strings*>(ref);
    HMENU menu = reinterpret_cast<HMENU>(wp);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[256] = "";
      GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
      shown->push_back(std::string(text) + (GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_GRAYED ? " (grayed)" : ""));
    }
  }
  return DefSubclassProc(h, msg, wp, lp);
}

TEST_F(FormsTest, PopupMenuShowsCurrentCaptionsGraysDisabledItemsLeavesHiddenOnesOutAndRunsTheChosenOne) {
  Menu& menu = form.AddMenu("mnuMenu");
  for (const char* name : {"mnuSMB2", "mnuCompany", "mnuErrors", "mnuWatermark"})
    menu.AddItem(name, "Design caption").onClick = Log(name);
  menu.Find("mnuSMB2")->visible = false;
  MenuItem& errors = *menu.Find("mnuErrors");
  errors.caption = "Errors file not found";
  errors.enabled = false;
  menu.Find("mnuCompany")->caption = "Company File";
  Strings shown;
  ASSERT_TRUE(SetWindowSubclass(form.Hwnd(), RecordPopup, 7, reinterpret_cast<DWORD_PTR>(&shown)));
  // The first key picks the first item shown, the second runs it.
  PostMessageA(form.Hwnd(), WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(form.Hwnd(), WM_KEYDOWN, VK_RETURN, 0);
  PopupMenu(form, menu);
  DoEvents();
  RemoveWindowSubclass(form.Hwnd(), RecordPopup, 7);
  EXPECT_EQ(shown, (Strings{"Company File", "Errors file not found (grayed)", "Design caption"}));
  EXPECT_EQ(events, Strings{"mnuCompany"});
  PostMessageA(form.Hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
  PopupMenu(form, menu);
  EXPECT_EQ(events.size(), 1u);

  EXPECT_FALSE(menu.Click("mnuSMB2"));
  EXPECT_FALSE(menu.Click("mnuErrors"));
  EXPECT_TRUE(menu.Click("MNUCOMPANY"));
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(FormsTest, MessageBoxAndOpenFileDialogGoThroughReplaceableHandlers) {
  Strings asked;  // "title: text (style)"
  MsgBoxHandler previous = SetMsgBoxHandler([&](const std::string& text, unsigned style, const std::string& title) {
    asked.push_back(title + ": " + text + " (" + std::to_string(style) + ")");
    return IDNO;
  });
  EXPECT_FALSE(previous);
  EXPECT_EQ(MsgBox("Do you want to Clear User ANNE ?", MB_YESNO | MB_ICONQUESTION, "Clear Locked User"), IDNO);
  EXPECT_EQ(asked, Strings{"Clear Locked User: Do you want to Clear User ANNE ? (" +
                           std::to_string(MB_YESNO | MB_ICONQUESTION) + ")"});

  // A handler that throws is stopped at the window procedure and its error shown.
  CommandButton& cmd = form.AddButton("cmdSpeed", {120, 120, 1200, 375}, "Test");
  cmd.onClick = [] { throw std::runtime_error("Speed test failed"); };
  SendMessageA(cmd.Hwnd(), BM_CLICK, 0, 0);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_TRUE(asked[1].ends_with(": Speed test failed (" + std::to_string(MB_ICONERROR) + ")")) << asked[1];
  EXPECT_TRUE(SetMsgBoxHandler(nullptr));

  HWND owner = nullptr;
  Strings args;
  SetOpenFileHandler(
      [&](HWND o, const std::string& title, const std::string& filter, const std::string& dir, unsigned) {
        owner = o;
        args = {title, filter, dir};
        return std::string("C:\\Data\\setup.dta");
      });
  EXPECT_EQ(ShowOpenFileDialog(nullptr, "Browse", "Sage Data Files (Setup.dta)|setup.dta", "C:\\Data"),
            "C:\\Data\\setup.dta");
  EXPECT_EQ(owner, form.Hwnd());  // the active form owns it
  EXPECT_EQ(args, (Strings{"Browse", "Sage Data Files (Setup.dta)|setup.dta", "C:\\Data"}));
  EXPECT_TRUE(SetOpenFileHandler(nullptr));
}

}  // namespace
}  // namespace lw::forms
