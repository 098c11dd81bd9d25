// The start-up, run as the real program in the test prefix and read from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/forms/forms_win.h"
#include "app/shell/startup_win.h"
#include "app/state/settings_win.h"
#include "app/tools/text.h"
#include "common/product.h"
#include "tests/fixtures/program_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::RunningProgram;
using fixtures::WindowText;

const std::string kUserApp = std::string("Software\\VB and VBA Program Settings\\") + kCompanyName + "\\Ledgerwell";

// When the user store's application section was last written.
uint64_t UserStoreWritten() {
  HKEY k;
  FILETIME t{};
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserApp.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return 0;
  RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t);
  RegCloseKey(k);
  return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    // Unless a test wants it, no About window or documentation comes first.
    fixtures::SettingsForAStraightStart();
    // A demo-like data folder that Sage itself used last.
    fixtures::WriteDataFolder(company.Path("Wickham"), fixtures::SetupDta{});
    fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, {.lastDataPath = company.Win("Wickham")});
    lastDataPath = LCase(company.Win("Wickham")) + "\\accdata\\";
  }
  void TearDown() override { fixtures::ResetProgramState(); }
  static std::string Control(HWND main, const char* name) { return WindowText(forms::FindControl(main, name)); }

  fixtures::ScratchFolder company;
  std::string lastDataPath;
};

void SentClick(HWND, HWND button) { fixtures::SendFromOutside(button, BM_CLICK); }
void SentNotification(HWND w, HWND b) {
  fixtures::SendFromOutside(w, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), LPARAM(b));
}
void MouseClick(HWND, HWND button) { fixtures::ClickWithMouse(button); }
void CloseBox(HWND w, HWND) { fixtures::SendFromOutside(w, WM_SYSCOMMAND, SC_CLOSE); }
template <WORD... kKeys>
void Keys(HWND w, HWND) {
  fixtures::PressKeys(w, {kKeys...});
}
void SessionEnd(HWND w, HWND) {
  DWORD_PTR mayEnd = 0;
  SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &mayEnd);
  EXPECT_EQ(mayEnd, DWORD_PTR(TRUE)) << "an idle program lets the session end";
  fixtures::SendFromOutside(w, WM_ENDSESSION, TRUE);
}

// A first start (or the first after a self-update) shows the About window once, before the main
// window; it takes Sage's last folder, hands it to the analysis and remembers it. Every way a user,
// an automation tool or Windows can leave each window is tried: a click sent from outside is
// handled inside the program's message loop without waking it, and once left the program running
// with no window at all.
TEST_F(Startup, TheFirstStartsAboutWindowAndTheMainWindowLeadOnHoweverTheyAreLeft) {
  using Leave = void (*)(HWND window, HWND button);
  const struct {
    const char* name;
    Leave about, main;  // null: the About window is left with Enter, the main window closed
  } kWays[] = {
      {"a click sent by UI automation", SentClick, SentClick},
      {"the button's notification sent", SentNotification, SentNotification},
      {"a mouse click", MouseClick, MouseClick},
      {"the close box", CloseBox, CloseBox},
      {"Alt+F4", Keys<VK_MENU, VK_F4>, Keys<VK_MENU, VK_F4>},
      {"Esc", Keys<VK_ESCAPE>, nullptr},
      {"Space on the focused button", Keys<VK_SPACE>, nullptr},
      {"the end of the Windows session", nullptr, SessionEnd},
      {"the end of the Windows session at the About window", SessionEnd, nullptr},
  };
  for (const auto& way : kWays) {
    SCOPED_TRACE(way.name);
    fixtures::ClearSettings();  // "NewUpdate" unset reads "Y"
    SaveAppSetting("FirstRun", "N");
    SaveGlobalSetting("NoInternet", "Y");
    RunningProgram program;
    HWND about = program.WaitForWindow("About Ledgerwell");
    ASSERT_TRUE(about);
    EXPECT_TRUE(program.WaitUntilIdle());
    EXPECT_FALSE(program.WaitForMainWindow(0)) << "the main window waits for it";
    EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "N") << "shown once";
    EXPECT_TRUE(Control(about, "lblVersion")
                    .starts_with(Format("Version: %d.%d.%d   SDO: ", kVersionMajor, kVersionMinor, kVersionRevision)));
    (way.about ? way.about : Keys<VK_RETURN>)(about, forms::FindControl(about, "cmdOK"));
    if (way.about == SessionEnd) {
      EXPECT_EQ(program.WaitForExit(5000), 0);
      EXPECT_FALSE(program.WaitForMainWindow(0)) << "nothing opens once the session has ended";
      continue;
    }
    HWND main = program.WaitForMainWindow(10000);
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindow(about));
    // The window is shown before its load handler has filled every panel.
    EXPECT_TRUE(program.WaitUntilIdle());
    EXPECT_EQ(Control(main, "txtPath") + "|" + Control(main, "txtUser"), lastDataPath + "|Manager");
    EXPECT_EQ(Control(main, "lblName"), "Wickham Joinery Ltd");
    if (way.main)
      way.main(main, forms::FindControl(main, "cmdExit"));
    else
      program.Close();
    EXPECT_EQ(program.WaitForExit(5000), 0);
    EXPECT_EQ(GetAppSetting("DataPath", "?"), lastDataPath);
  }
}

TEST_F(Startup, TheFirstRunShowsTheBuiltDocumentationOnceBeforeTheMainWindow) {
  fixtures::ClearSettings();  // "FirstRun" unset reads "Y"
  SaveAppSetting("NewUpdate", "N");
  SaveGlobalSetting("NoInternet", "Y");
  RunningProgram program;
  HWND help = program.WaitForWindow("Ledgerwell - Documentation");
  ASSERT_TRUE(help);
  // The document built with the program, beside it, read as rich text rather than shown as its source.
  const std::string text = Control(help, "rtbHelp");
  EXPECT_TRUE(text.find("Clearing a locked user") != text.npos && text.find("\\par") == text.npos) << text;
  EXPECT_TRUE(program.WaitUntilIdle());
  const std::string mainTitle = "Ledgerwell - " + std::string(getenv("USERNAME")) + " on ";
  EXPECT_FALSE(program.WaitForWindow(mainTitle, 0)) << "the main window waits for it";
  fixtures::PressKeys(help, {VK_ESCAPE});
  EXPECT_TRUE(program.WaitForWindow(mainTitle, 10000));
  EXPECT_EQ(GetAppSetting("FirstRun", "?"), "N") << "once only";
}

TEST_F(Startup, SecondInstanceShowsOneMessageAndTouchesNothing) {
  RunningProgram first;
  ASSERT_TRUE(first.WaitForMainWindow());
  const uint64_t before = UserStoreWritten();
  RunningProgram second;
  HWND box = second.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(fixtures::MessageBoxText(box), "The Ledgerwell program is already running.");
  EXPECT_FALSE(second.WaitForMainWindow(0)) << "the second instance must not open a window";
  fixtures::SendFromOutside(GetDlgItem(box, IDOK), BM_CLICK);
  EXPECT_EQ(second.WaitForExit(5000), 0);
  EXPECT_EQ(UserStoreWritten(), before) << "nothing written";
}

// Which switches count is StartupRules' table; an unfinished log-in is not shown again.
TEST_F(Startup, TheStoredLogInIsShownOnlyWhileItHolds) {
  const struct {
    const char *commandLine, *loginStatus;
    std::string path;
    const char* user;
  } kCases[] = {{"", "1 c:\\sage\\accdata", "c:\\sage\\accdata", "jo"},
                {"", "0 c:\\sage\\accdata", "", ""},
                {"  -M ", "1 c:\\sage\\accdata", lastDataPath, "jo"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.commandLine) + c.loginStatus);
    SaveAppSetting("DataPath", "c:\\sage\\accdata");
    for (const auto& [name, value] :
         {std::pair{"UserCode", "jo"}, {"Password", "pw  "}, {"LoginStatus", c.loginStatus}, {"UserRefresh", "Y"}})
      SaveUserSetting(name, value);
    {
      RunningProgram program(c.commandLine);
      HWND main = program.WaitForMainWindow();
      ASSERT_TRUE(main);
      EXPECT_EQ(Control(main, "txtPath") + "|" + Control(main, "txtUser") + "|" + Control(main, "txtPw"),
                c.path + "|" + c.user + (*c.user ? "|pw" : "|"));
      EXPECT_TRUE(!*c.user || SendMessageA(forms::FindControl(main, "chkRfrsh"), BM_GETCHECK, 0, 0) == BST_CHECKED);
    }
    EXPECT_TRUE(!*c.commandLine || GetAppSetting("DataPath", "?") == lastDataPath) << "the chosen path is saved";
  }
}

// The file, created when missing, made the given size; what is added is a hole, so a file far
// larger than any real one costs no disk.
void Grow(const std::string& path, uint64_t size) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  LARGE_INTEGER at{};
  at.QuadPart = LONGLONG(size);
  EXPECT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h)) << path;
  CloseHandle(h);
}

TEST_F(Startup, OutsideFilesOfAnySizeAreNotTakenInAndTheProgramStaysResponsive) {
  constexpr uint64_t kGigabyte = 1ull << 30;
  // SAGE.INI, the installation's update list and the data folder's files, read whole or record by record.
  Grow(fixtures::SageIniPathAt(fixtures::SageIniPlace::CommonAppData), 100 * kGigabyte);
  const std::string setupFolder = fixtures::SetupFolderOf(18, false);
  CreateDirectoryA(setupFolder.c_str(), nullptr);
  Grow(setupFolder + "Application.config", 2 * kGigabyte);
  for (const char* name : {"ACCDATA\\queue.dta", "ACCDATA\\access.dta", "ACCDATA\\tablemetadata.dta", "watermark.xml"})
    Grow(company.Win("Wickham\\") + name, kGigabyte);
  SaveAppSetting("DataPath", company.Win("Wickham\\ACCDATA"));
  {
    RunningProgram program;
    HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(Control(main, "lblName"), "Wickham Joinery Ltd") << "no switches taken from a file that is no SAGE.INI";
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored)) << "the window answers";
    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
  }
  DeleteFileA((setupFolder + "Application.config").c_str());
}

}  // namespace
}  // namespace lw
