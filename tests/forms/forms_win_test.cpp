// The forms toolkit against real windows (Wine on a virtual display).
#include "app/forms/forms_win.h"

#include <gtest/gtest.h>

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

// A mouse message at (2, 2) of the control.
void Mouse(const Control& c, UINT msg) { SendMessageA(c.Hwnd(), msg, MK_LBUTTON, MAKELPARAM(2, 2)); }

// A key pressed on a control that has the focus.
void Key(const Control& c, UINT msg, WPARAM key) {
  SetFocus(c.Hwnd());
  PostMessageA(c.Hwnd(), msg, key, 0);
  DoEvents();
}

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

TEST_F(FormsTest, ControlsAreFoundByAGlobalNameThatGoesWithTheirWindowAfterWhichTheyAreSafeToUse) {
  Frame& fra = form.AddFrame("fraSpeed", {120, 120, 3000, 2400}, "Speed Test");
  OptionButton& opt = form.AddOption(ArrayElementName("optTest", 3), {120, 240, 2400, 255}, "Test", &fra);
  // The name is a global atom, which outlives processes: a name of this run only.
  const std::string name = "lblLife" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount());
  Label& lbl = form.AddLabel(name, {3300, 120, 1500, 255}, "Data Path");
  lbl.SetToolTipText("tip");
  EXPECT_EQ(FindControl(form.Hwnd(), "optTest(3)"), opt.Hwnd()) << "found inside its frame";
  EXPECT_EQ(form.Find(UCase(name)), &lbl);

  HWND h = lbl.Hwnd();
  EXPECT_TRUE(form.Unload());
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(GlobalFindAtomA(name.c_str()), 0);
  lbl.SetCaption("after");  // no window: ignored, not a crash
  lbl.SetBackColor(0xFF);
  EXPECT_EQ(lbl.Caption(), "");
  ASSERT_TRUE(form.Create("Life", 3000, 2000));  // loaded again, with no controls
  EXPECT_EQ(form.Find(name), nullptr);
}

TEST_F(FormsTest, TextBoxesReportChangesAndFocusAndTabEntersTheNextBoxThroughFrames) {
  TextBox& txt = form.AddTextBox("txtPath", {120, 120, 3000, 315}, "initial");
  Frame& fra = form.AddFrame("fraTemp", {120, 600, 3000, 1000}, "Report Temp Folder");
  TextBox& inFrame = form.AddTextBox("txtTemp", {120, 300, 2000, 315}, "C:\\Temp", &fra, TextBox::ReadOnly);
  txt.onChange = [&] { events.push_back(txt.Text()); };
  txt.onLostFocus = Log("lost");
  // Once per change or keystroke, seeing the new text; the text it was created with is none.
  txt.SetText("C:\\Data");
  txt.SetText("C:\\Data");
  txt.SetText("");
  Key(txt, WM_CHAR, 'a');
  Key(txt, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(events, (Strings{"C:\\Data", "", "a", "lost"}));
  EXPECT_EQ(GetFocus(), inFrame.Hwnd());
  DWORD start = 0, end = 0;
  SendMessageA(inFrame.Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end - start, 7u) << "entering a box selects its text";
}

TEST_F(FormsTest, PlacesAreTwipsInsideTheFrameAndColoursReachThePaintingThroughTheParent) {
  Frame& fra = form.AddFrame("fraTemp", {600, 300, 4000, 3000}, "Report Temp Folder");
  CommandButton& cmd = form.AddButton("cmdTempFix", {1000, 500, 2000, 300}, "Fix", &fra);
  cmd.Move(1010, 20, 333, 300);
  RECT px;
  GetWindowRect(cmd.Hwnd(), &px);
  MapWindowPoints(HWND_DESKTOP, fra.Hwnd(), reinterpret_cast<POINT*>(&px), 2);
  EXPECT_EQ((std::vector<LONG>{px.left, px.top, px.right - px.left}),
            (std::vector<LONG>{TwipsToPixelsX(1010), TwipsToPixelsY(20), TwipsToPixelsX(333)}));

  Label& lbl = form.AddLabel("lblState", {120, 300, 2000, 255}, "On", &fra);
  lbl.SetForeColor(0xFF00FF);
  lbl.SetBackColor(kColorButtonFace);  // a system colour, resolved
  HDC dc = CreateCompatibleDC(nullptr);
  LOGBRUSH brush{};
  GetObjectA(reinterpret_cast<HBRUSH>(SendMessageA(fra.Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                   reinterpret_cast<LPARAM>(lbl.Hwnd()))),
             sizeof brush, &brush);
  EXPECT_EQ((std::vector<COLORREF>{brush.lbColor, GetTextColor(dc), GetBkColor(dc)}),
            (std::vector<COLORREF>{GetSysColor(COLOR_BTNFACE), 0xFF00FF, GetSysColor(COLOR_BTNFACE)}));
  DeleteDC(dc);
}

TEST_F(FormsTest, ClicksReachTheirHandlersFromInsidePicturesAndAThrowingHandlerIsStoppedAndShown) {
  PictureBox& pic = form.AddPicture("picAutoRefresh", {120, 120, 3000, 600});
  Label& inner = form.AddLabel("Label23", {300, 120, 1500, 255}, "Auto Refresh", &pic);
  inner.onClick = Log("inner");
  inner.onDblClick = Log("dbl");
  pic.onClick = Log("pic");
  Mouse(inner, WM_LBUTTONDOWN);
  Mouse(inner, WM_LBUTTONDBLCLK);
  Mouse(pic, WM_LBUTTONDOWN);
  EXPECT_EQ(events, (Strings{"inner", "dbl", "pic"}));

  Strings shown;  // "title: text (style)"
  SetMsgBoxHandler([&](const std::string& text, unsigned style, const std::string& title) {
    shown.push_back(title + ": " + text + " (" + std::to_string(style) + ")");
    return IDOK;
  });
  CommandButton& cmd = form.AddButton("cmdWebUpdate", {120, 900, 1800, 375}, "Check for Update");
  cmd.onClick = [] { throw std::runtime_error("Speed test failed"); };
  SendMessageA(cmd.Hwnd(), BM_CLICK, 0, 0);
  SetMsgBoxHandler(nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].ends_with(": Speed test failed (" + std::to_string(MB_ICONERROR) + ")")) << shown[0];
}

TEST_F(FormsTest, TimerFiresThroughTheMessageLoopAndIsNotEnteredAgain) {
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
}

TEST(FormsLoop, TheProgramsLoopEndsWithTheMainFormOrAtEndProgramAndTakesEveryOtherFormWithIt) {
  Form other("frmGetRss"), main("frmMain");
  ASSERT_TRUE(other.Create("Check", 3000, 1500) && main.Create("Main", 3000, 1500));
  main.Show();
  main.AddTimer("Timer1", 20).onTimer = [&] { main.Unload(); };
  EXPECT_EQ(RunMessageLoop(main), 0);
  EXPECT_FALSE(other.Loaded()) << "a hidden form would keep a process without a window";
  // Loaded again: a quit left by DoEvents and EndProgram end the loop too.
  ASSERT_TRUE(other.Create("Other", 3000, 1500) && main.Create("Main", 3000, 1500));
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
  PostQuitMessage(3);
  DoEvents();  // leaves the quit for the program's loop
  EXPECT_EQ(RunMessageLoop(main), 3);
  main.AddTimer("Timer1", 20).onTimer = [&] { EndProgram(); };
  EXPECT_EQ(RunMessageLoop(main), 0);
  EXPECT_TRUE(ProgramEnded());
  EXPECT_FALSE(other.Loaded() || main.Loaded());
  EXPECT_EQ(unloads, 0);
  EXPECT_EQ(lostFocus, 0) << "the box that had the focus ran its handler on the way out";
}

// Sends a message from another thread, as UI automation, a screen reader or Windows at log-off
// does from another process: it is handled inside the GetMessage of whatever loop this thread
// waits in, and no posted message follows it. A loop that does not notice its window has gone is
// woken after 3 s, so that the test fails instead of hanging.
struct SentFromElsewhere {
  SentFromElsewhere(HWND target, UINT msg, WPARAM wp, LPARAM lp)
      : thread([=, this, waiter = GetCurrentThreadId()] {
          while (!IsWindowVisible(target) && IsWindow(target)) Sleep(10);
          DWORD_PTR answer = 0;
          SendMessageTimeoutA(target, msg, wp, lp, SMTO_NORMAL, 5000, &answer);
          for (int i = 0; i < 300 && !returned; ++i) Sleep(10);
          if (!returned) PostThreadMessageA(waiter, WM_NULL, 0, 0);
        }) {}
  ~SentFromElsewhere() { Returned(); }
  void Returned() {  // call when the loop has returned
    returned = true;
    if (thread.joinable()) thread.join();
  }
  std::atomic<bool> returned{false};  // before the thread, which reads it
  std::thread thread;
};

TEST(FormsLoop, LoopsEndWhenTheirWindowGoesInsideASentMessage) {
  const struct {
    const char* name;
    UINT msg;
    WPARAM wp;
    bool toButton;
  } ways[] = {{"button clicked", BM_CLICK, 0, true},
              {"close box", WM_SYSCOMMAND, SC_CLOSE, false},
              {"close message", WM_CLOSE, 0, false},
              {"end of the session", WM_ENDSESSION, TRUE, false}};
  for (const auto& way : ways) {
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
  ASSERT_TRUE(other.Create("Other", 3000, 1500) && main.Create("Main", 3000, 1500));
  bool busy = true;
  int unloads = 0;
  main.onQueryEndSession = [&](bool& cancel) { cancel = busy; };
  main.onUnload = [&](bool&) { ++unloads; };
  EXPECT_EQ(SendMessageA(main.Hwnd(), WM_QUERYENDSESSION, 0, 0), FALSE);
  busy = false;
  EXPECT_EQ(SendMessageA(main.Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageA(main.Hwnd(), WM_ENDSESSION, FALSE, 0);  // another program refused: nothing ends
  EXPECT_TRUE(main.Loaded());
  SendMessageA(main.Hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(main.Loaded() || other.Loaded());
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
  Key(line, WM_KEYDOWN, VK_RETURN);
  Key(other, WM_KEYDOWN, VK_RETURN);
  Key(line, WM_KEYDOWN, VK_ESCAPE);
  Key(lines, WM_KEYDOWN, VK_RETURN);  // a box that takes line breaks keeps Enter
  ok.SetEnabled(false);
  Key(line, WM_KEYDOWN, VK_RETURN);  // a disabled default button is not pressed
  EXPECT_EQ(events, (Strings{"ok", "other", "cancel"}));
  EXPECT_EQ(lines.Text(), "\r\n");
}

}  // namespace
}  // namespace lw::forms
