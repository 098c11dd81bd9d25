// The progress window for real: a slow download from the test HTTP server, the window found on the
// worker's thread and looked at from here, its note link followed, and closed.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/component/com_client_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/test_env_win.h"

namespace {

using namespace updara_test;
using lw::fixtures::PumpUntil;

// Read without a message, so a worker between two chunks does not hold the test up.
std::string TextOf(HWND window) {
  wchar_t text[256] = {};
  const int n = InternalGetWindowText(window, text, 256);
  return std::string(text, text + n);
}
std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

// A window callback (the 32-bit build needs its calling convention spelt out): the visible dialog a
// thread of this process other than this one shows.
BOOL CALLBACK FindWorkersDialog(HWND w, LPARAM p) {
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(w, &process);
  char cls[16] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (process != GetCurrentProcessId() || thread == GetCurrentThreadId() || !IsWindowVisible(w) ||
      std::string(cls) != "#32770")
    return TRUE;
  *reinterpret_cast<HWND*>(p) = w;
  return FALSE;
}

HWND WorkersWindow() {
  HWND found = nullptr;
  EnumWindows(FindWorkersDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

class UpdaraProgress : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { Regsvr32(L"/u /s"); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    o = CreateUpdara();
    ASSERT_NE(o.get(), nullptr);
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwProgressTest")), S_OK);
    Connect(o.get(), sink);
  }
  void TearDown() override {
    PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 30000);
    o->Reset();
    o.Reset();
    CoUninitialize();
  }

  lw::fixtures::HttpServer server;
  Sink sink;
  ComRef<IUpdaraCom> o;
};

// The page of the note line is a command file here, so that the shell's "open" leaves a mark
// instead of starting a browser.
TEST_F(UpdaraProgress, ShowsTheHostsTextsAndTheShareOpensTheNotesPageOnAClickAndCancelsOnClosing) {
  const wchar_t* texts[] = {L"Fortschritt", L"Abbrechen", L"Verbinden", L"Anfragen", L"Laden"};
  for (short i = 0; i < 5; ++i) ASSERT_EQ(o->put_DialogText(Short(i), Bstr(texts[i])), S_OK);
  lw::fixtures::ScratchFolder dir;
  const std::string page = dir.Win("note.cmd"), mark = dir.Win("opened.txt");
  WriteAll(page, "@echo opened>> \"" + mark + "\"\r\n");
  ASSERT_EQ(o->put_DialogNoteURL(Bstr(Wide(page).c_str())), S_OK);
  // One file that arrives slowly, 8 KB every 50 ms; its window is looked at once a chunk is in. The
  // worker lets its window's messages run as each chunk arrives, so they are answered within a chunk.
  lw::fixtures::HttpResponse slow;
  slow.contentType = "application/octet-stream";
  slow.body = std::string(1 << 20, 'x');
  slow.trickle = 8192;
  server.Serve("/files/large.bin", slow);
  ComRef<IUpdFile> f;
  ASSERT_EQ(RefOf(o.get(), &IUpdaraCom::get_Files)->Add(Bstr(L"large.bin"), f.put()), S_OK);
  f->put_URL(Bstr(Wide(server.BaseUrl() + "/files/large.bin?v=2").c_str()));
  f->put_NeedReplace(VARIANT_TRUE);
  ASSERT_EQ(o->Download(), S_OK);
  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] { return (window = WorkersWindow()) && ItemText(window, 203).find(" KB /") != std::string::npos; }, 20000));
  EXPECT_EQ(ItemText(window, IDCANCEL) + "|" + ItemText(window, 201) + "|" + ItemText(window, 202),
            "Abbrechen|Laden|large.bin");
  // The share received of the announced total, in the title and in the bytes; the worker answers the
  // bar's question between two chunks, when it has just set them.
  SendDlgItemMessageA(window, 204, PBM_GETPOS, 0, 0);
  EXPECT_TRUE(std::regex_match(TextOf(window), std::regex(R"(\(\d+%\) Laden\.\.)"))) << TextOf(window);
  EXPECT_TRUE(std::regex_match(ItemText(window, 203), std::regex(R"(\d+\.\d\d KB / 1048\.57 KB)")))
      << ItemText(window, 203);

  // A click in the band is beside the note; one on its text opens the page.
  RECT client{};
  GetClientRect(window, &client);
  for (const POINT& at : {POINT{client.right - 6, 20}, POINT{client.right - 6, client.bottom - 6}}) {
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }
  // Any command of the window cancels, the close box as well as its Cancel button.
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 30000));
  EXPECT_EQ(sink.Of(EventDownloadDone)[0].numbers, std::vector<long>{30004});
  EXPECT_EQ(sink.Of(EventDownloadDone)[0].text, L"Method was cancelled.");
  EXPECT_FALSE(IsWindow(window)) << "closed when its worker ended";
  EXPECT_TRUE(PumpUntil([&] { return ReadAll(mark).find("opened") != std::string::npos; }, 10000));
  lw::fixtures::PumpFor(500);
  EXPECT_EQ(ReadAll(mark).rfind("opened"), 0u) << "opened once: " << ReadAll(mark);
}

}  // namespace
