// The progress window for real: a slow download from the test HTTP server, the window found on the
// worker's thread and looked at from here, its note link followed, and every way of cancelling it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "tests/component/com_client_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/test_env_win.h"

namespace {

using lw::fixtures::HttpResponse;
using lw::fixtures::HttpServer;
using lw::fixtures::PumpUntil;
using lw::fixtures::ScratchFolder;
using updara_test::Bstr;
using updara_test::Ref;
using updara_test::Sink;

constexpr long kBodySize = 1 << 20;

// Read without a message, so a worker between two chunks does not hold the test up.
std::string TextOf(HWND window) {
  wchar_t text[256] = {};
  const int n = InternalGetWindowText(window, text, 256);
  return std::string(text, text + n);
}
std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

// A window callback in the system's calling convention, which the 32-bit build needs spelt out:
// the visible dialog a thread of this process other than this one shows.
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
  static void SetUpTestSuite() { ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u); }
  static void TearDownTestSuite() { updara_test::Regsvr32(L"/u /s"); }

  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    o = updara_test::CreateUpdara();
    ASSERT_NE(o.p, nullptr);
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwProgressTest")), S_OK);
    updara_test::Connect(o.p, sink);
  }
  void TearDown() override {
    PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 30000);
    o->Reset();
    o.reset();
    CoUninitialize();
  }

  // Starts the download of one file that arrives slowly, 8 KB every 50 ms, and waits for its
  // window to show bytes. `announced`: the server sends the length. The worker lets its window's
  // messages run as each chunk arrives, so what is sent to the window is answered within a chunk.
  HWND StartSlow(bool announced) {
    HttpResponse slow;
    slow.contentType = "application/octet-stream";
    slow.body = std::string(kBodySize, 'x');
    slow.trickle = 8192;
    slow.noContentLength = !announced;
    server->Serve("/files/large.bin", slow);
    Ref<IUpdFiles> files = updara_test::RefOf(o.p, &IUpdaraCom::get_Files);
    Ref<IUpdFile> f;
    EXPECT_EQ(files->Add(Bstr(L"large.bin"), f.put()), S_OK);
    const std::string url = server->BaseUrl() + "/files/large.bin?v=2";
    f->put_URL(Bstr(std::wstring(url.begin(), url.end()).c_str()));
    f->put_NeedReplace(VARIANT_TRUE);
    EXPECT_EQ(o->Download(), S_OK);
    HWND window = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (window = WorkersWindow()) && ItemText(window, 203).find("KB") != std::string::npos; },
                          20000));
    return window;
  }

  long Result() {
    EXPECT_TRUE(PumpUntil([&] { return !sink.Of(EventDownloadDone).empty(); }, 30000));
    return sink.Of(EventDownloadDone).empty() ? -1 : sink.Of(EventDownloadDone)[0].numbers.at(0);
  }

  std::unique_ptr<HttpServer> server = std::make_unique<HttpServer>();
  Sink sink;
  Ref<IUpdaraCom> o;
};

TEST_F(UpdaraProgress, ADownloadShowsTheHostsTextsTheBytesThePercentAndTheHeader) {
  const wchar_t* texts[] = {L"Fortschritt", L"Abbrechen", L"Verbinden", L"Anfragen", L"Laden"};
  for (short i = 0; i < 5; ++i) ASSERT_EQ(o->put_DialogText(updara_test::Short(i), Bstr(texts[i])), S_OK);
  HWND window = StartSlow(true);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ItemText(window, IDCANCEL), "Abbrechen");
  EXPECT_EQ(ItemText(window, 201), "Laden");
  EXPECT_EQ(ItemText(window, 202), "large.bin");
  // The bar, the title and the bytes tell the same share. The worker answers the bar's question
  // between two chunks, when it has just set all three.
  const LRESULT bar = SendDlgItemMessageA(window, 204, PBM_GETPOS, 0, 0);
  const std::string titleText = TextOf(window), byteText = ItemText(window, 203);
  std::smatch bytes, title;
  ASSERT_TRUE(std::regex_match(byteText, bytes, std::regex(R"((\d+)\.(\d\d) KB / 1048\.57 KB)"))) << byteText;
  ASSERT_TRUE(std::regex_match(titleText, title, std::regex(R"(\((\d+)%\) Laden\.\.)"))) << titleText;
  const long received = std::stol(bytes[1].str()) * 1000 + std::stol(bytes[2].str()) * 10;
  EXPECT_NEAR(std::stol(title[1].str()), bar, 1);
  EXPECT_NEAR(std::stol(title[1].str()), received * 100 / kBodySize, 1);
  // The header picture in the middle of the band.
  RECT client{};
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  int drawn = 0;
  for (int x = (client.right - 358) / 2; x < (client.right + 358) / 2; x += 2)
    drawn += GetPixel(dc, x, 29) != RGB(240, 240, 240) ? 1 : 0;
  ReleaseDC(window, dc);
  EXPECT_GT(drawn, 10);

  EXPECT_EQ(Result(), 0);
  EXPECT_FALSE(IsWindow(window)) << "closed when its worker ended";
}

TEST_F(UpdaraProgress, WithoutATotalTheBarBouncesAndTheBytesStandAlone) {
  HWND window = StartSlow(false);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(std::regex_match(ItemText(window, 203), std::regex(R"(\d+\.\d\d KB)"))) << ItemText(window, 203);
  EXPECT_EQ(TextOf(window), "Progress");
  EXPECT_EQ(SendDlgItemMessageA(window, 204, PBM_GETRANGE, FALSE, 0), 5);
  const LRESULT position = SendDlgItemMessageA(window, 204, PBM_GETPOS, 0, 0);
  EXPECT_GE(position, 1);
  EXPECT_LE(position, 5);
}

TEST_F(UpdaraProgress, AClickOnTheNoteOpensItsPageAndNowhereElse) {
  // The page is a command file here, so that the shell's "open" leaves a mark instead of a browser.
  ScratchFolder dir;
  const std::string page = dir.Win("note.cmd"), mark = dir.Win("opened.txt");
  std::ofstream(page) << "@echo opened>> \"" << mark << "\"\r\n";
  ASSERT_EQ(o->put_DialogNoteURL(Bstr(std::wstring(page.begin(), page.end()).c_str())), S_OK);
  HWND window = StartSlow(true);
  ASSERT_NE(window, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  // A click at the strip's left end and one in the band are beside the note; one on its text opens
  // the page.
  const POINT clicks[] = {{4, client.bottom - 6}, {client.right - 6, 20}, {client.right - 6, client.bottom - 6}};
  for (const POINT& at : clicks) {
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }
  EXPECT_EQ(Result(), 0);
  EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesA(mark.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
  lw::fixtures::PumpFor(500);
  std::ifstream in(mark);
  std::string line;
  int opened = 0;
  while (std::getline(in, line)) opened += line.rfind("opened", 0) == 0 ? 1 : 0;
  EXPECT_EQ(opened, 1);
}

TEST_F(UpdaraProgress, CancelEscAndTheCloseBoxEachEndTheDownloadAsCancelled) {
  struct Way { const char* name; UINT message; WPARAM wParam; bool toButton; };
  const Way ways[] = {{"the Cancel button", BM_CLICK, 0, true},
                      {"Esc", WM_KEYDOWN, VK_ESCAPE, false},
                      {"the close box", WM_SYSCOMMAND, SC_CLOSE, false}};
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    sink.events.clear();
    server = std::make_unique<HttpServer>();
    HWND window = StartSlow(true);
    ASSERT_NE(window, nullptr);
    PostMessageA(way.toButton ? GetDlgItem(window, IDCANCEL) : window, way.message, way.wParam, 0);
    EXPECT_EQ(Result(), 30004);
    EXPECT_EQ(sink.Of(EventDownloadDone)[0].text, L"Method was cancelled.");
    EXPECT_FALSE(IsWindow(window));
    o->Reset();  // forgets the entry and the cancel
  }
}

}  // namespace
