// The start-up, run as the real program in the test prefix and read from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <vector>

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

std::string Env(const char* name) {
  char buf[256] = {};
  return std::string(buf, GetEnvironmentVariableA(name, buf, sizeof buf));
}

// Every value of the user store's application section, "name=value;" in order.
std::string UserStoreSnapshot() {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserApp.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "<none>";
  std::string all;
  for (DWORD i = 0;; ++i) {
    char name[256], data[1024];
    DWORD nameLen = sizeof name, dataLen = sizeof data, type;
    if (RegEnumValueA(k, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataLen) != ERROR_SUCCESS)
      break;
    all += std::string(name, nameLen) + "=" + std::string(data, dataLen) + ";";
  }
  RegCloseKey(k);
  return all;
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    // The About window and the documentation that would come first have their own tests.
    fixtures::SettingsForAStraightStart();
    // A demo-like data folder that Sage itself used last.
    fixtures::WriteDataFolder(company.Path("Wickham"), fixtures::SetupDta{});
    fixtures::SageIni ini;
    ini.lastDataPath = company.Win("Wickham");
    fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, ini);
    lastDataPath = LCase(company.Win("Wickham")) + "\\accdata\\";
  }
  void TearDown() override { fixtures::ResetProgramState(); }
  static std::string Control(HWND main, const char* name) { return WindowText(forms::FindControl(main, name)); }

  fixtures::ScratchFolder company;
  std::string lastDataPath;
};

// Every way a user, an automation tool or Windows can leave a window. A click sent from outside is
// handled inside the program's message loop without waking it; once it left the program running
// with no window at all.
struct WayOut {
  const char* name;
  std::function<void(HWND window, HWND button)> leave;
};

const WayOut kWaysOut[] = {
    {"a click sent by UI automation", [](HWND, HWND b) { fixtures::SendFromOutside(b, BM_CLICK); }},
    {"the button's notification sent",
     [](HWND w, HWND b) {
       fixtures::SendFromOutside(w, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), LPARAM(b));
     }},
    {"a mouse click", [](HWND, HWND b) { fixtures::ClickWithMouse(b); }},
    {"the close box", [](HWND w, HWND) { fixtures::SendFromOutside(w, WM_SYSCOMMAND, SC_CLOSE); }},
    {"Alt+F4",
     [](HWND w, HWND) {
       fixtures::PressKeys(w, {VK_MENU, VK_F4});
     }},
};

// A first start, or the first after a self-update, shows the About window once, before the main
// window, with the program's own version information.
TEST_F(Startup, TheAboutWindowOfTheFirstStartLeadsOnToTheMainWindowHoweverItIsLeft) {
  std::vector<WayOut> ways(std::begin(kWaysOut), std::end(kWaysOut));
  ways.push_back({"Enter", [](HWND w, HWND) { fixtures::PressKeys(w, {VK_RETURN}); }});
  ways.push_back({"Esc", [](HWND w, HWND) { fixtures::PressKeys(w, {VK_ESCAPE}); }});
  ways.push_back({"Space on its focused button", [](HWND w, HWND) { fixtures::PressKeys(w, {VK_SPACE}); }});
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    fixtures::ClearSettings();  // "NewUpdate" unset reads "Y"
    SaveAppSetting("FirstRun", "N");
    SaveGlobalSetting("NoInternet", "Y");
    RunningProgram program;
    HWND about = program.WaitForWindow("About Ledgerwell");
    ASSERT_TRUE(about);
    EXPECT_EQ(Control(about, "cmdOK"), "Continue");
    EXPECT_TRUE(program.WaitUntilIdle());
    EXPECT_FALSE(program.WaitForWindow("Ledgerwell - ", 0)) << "the main window waits for it";
    EXPECT_EQ(GetAppSetting("NewUpdate", "?"), "N") << "shown once";
    EXPECT_TRUE(Control(about, "lblVersion")
                    .starts_with(Format("Version: %d.%d.%d   SDO: ", kVersionMajor, kVersionMinor, kVersionRevision)))
        << Control(about, "lblVersion");
    way.leave(about, forms::FindControl(about, "cmdOK"));
    HWND main = program.WaitForMainWindow(10000);
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindow(about));
    EXPECT_EQ(Control(main, "lblName"), "Wickham Joinery Ltd");
    program.Close();
    EXPECT_EQ(program.WaitForExit(5000), 0);
  }
}

TEST_F(Startup, TheFirstRunShowsTheDocumentationOnceBeforeTheMainWindowHoweverItIsLeft) {
  const std::string mainTitle = "Ledgerwell - " + Env("USERNAME") + " on ";
  const WayOut ways[] = {
      {"Esc", [](HWND w, HWND) { fixtures::PressKeys(w, {VK_ESCAPE}); }},
      {"the close box", [](HWND w, HWND) { fixtures::SendFromOutside(w, WM_SYSCOMMAND, SC_CLOSE); }},
      {"Alt+F4",
       [](HWND w, HWND) {
         fixtures::PressKeys(w, {VK_MENU, VK_F4});
       }},
  };
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    fixtures::ClearSettings();  // "FirstRun" unset reads "Y"
    SaveAppSetting("NewUpdate", "N");
    SaveGlobalSetting("NoInternet", "Y");
    RunningProgram program;
    HWND help = program.WaitForWindow("Ledgerwell - Documentation");
    ASSERT_TRUE(help);
    EXPECT_FALSE(program.WaitForWindow(mainTitle, 0)) << "the main window waits for it";
    // The document built with the program, beside it.
    const std::string text = Control(help, "rtbHelp");
    EXPECT_NE(text.find("Clearing a locked user"), std::string::npos) << text.substr(0, 200);
    EXPECT_NE(text.find(Format("End of document v%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRevision)),
              std::string::npos);
    EXPECT_TRUE(program.WaitUntilIdle());
    way.leave(help, nullptr);
    HWND main = program.WaitForWindow(mainTitle, 10000);
    EXPECT_TRUE(main);
    EXPECT_FALSE(IsWindow(help));
    EXPECT_EQ(GetAppSetting("FirstRun", "?"), "N") << "once only: every straight start begins with it";
    program.Close();
    EXPECT_EQ(program.WaitForExit(5000), 0);
  }
}

// Each way out ends a first start, which takes Sage's last folder, hands it to the analysis and
// remembers it.
TEST_F(Startup, TheFirstStartShowsSagesLastFolderAndTheMainWindowEndsTheProgramHoweverItIsLeft) {
  std::vector<WayOut> ways(std::begin(kWaysOut), std::end(kWaysOut));
  ways.push_back({"the end of the Windows session", [](HWND w, HWND) {
                    DWORD_PTR mayEnd = 0;
                    SendMessageTimeoutA(w, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &mayEnd);
                    EXPECT_EQ(mayEnd, DWORD_PTR(TRUE)) << "an idle program lets the session end";
                    fixtures::SendFromOutside(w, WM_ENDSESSION, TRUE);
                  }});
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    fixtures::ClearSettings();
    fixtures::SettingsForAStraightStart();
    RunningProgram program;
    HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    // The window is shown before its load handler has filled every panel.
    EXPECT_TRUE(program.WaitUntilIdle());
    EXPECT_EQ(WindowText(main), "Ledgerwell - " + Env("USERNAME") + " on " + Env("COMPUTERNAME"));
    EXPECT_EQ(Control(main, "txtPath") + "|" + Control(main, "txtUser") + "|" + Control(main, "txtPw"),
              lastDataPath + "|Manager|");
    EXPECT_EQ(Control(main, "lblName"), "Wickham Joinery Ltd");
    EXPECT_FALSE(IsWindowVisible(forms::FindControl(main, "picBulbY")));
    way.leave(main, forms::FindControl(main, "cmdExit"));
    EXPECT_EQ(program.WaitForExit(5000), 0);
    EXPECT_EQ(GetAppSetting("DataPath", "?"), lastDataPath);
    EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "DataPath", "?"), lastDataPath);
  }
}

TEST_F(Startup, TheSessionEndingAtTheFirstStartsAboutWindowEndsTheProgramThere) {
  fixtures::ClearSettings();
  SaveAppSetting("FirstRun", "N");
  SaveGlobalSetting("NoInternet", "Y");
  RunningProgram program;
  HWND about = program.WaitForWindow("About Ledgerwell");
  ASSERT_TRUE(about);
  fixtures::SendFromOutside(about, WM_QUERYENDSESSION);
  fixtures::SendFromOutside(about, WM_ENDSESSION, TRUE);
  EXPECT_EQ(program.WaitForExit(5000), 0);
  EXPECT_FALSE(program.WaitForWindow("Ledgerwell - ", 0)) << "nothing opens once the session has ended";
}

TEST_F(Startup, SecondInstanceShowsOneMessageAndTouchesNothing) {
  RunningProgram first;
  ASSERT_TRUE(first.WaitForMainWindow());
  std::string before = UserStoreSnapshot();
  RunningProgram second;
  HWND box = second.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(WindowText(box), "Ledgerwell");
  EXPECT_EQ(fixtures::MessageBoxText(box), "The Ledgerwell program is already running.");
  EXPECT_FALSE(second.WaitForWindow("Ledgerwell - ", 0)) << "the second instance must not open a window";
  fixtures::SendFromOutside(GetDlgItem(box, IDOK), BM_CLICK);
  EXPECT_EQ(second.WaitForExit(5000), 0);
  EXPECT_EQ(UserStoreSnapshot(), before);
}

// Which switches count is StartupRules' table; with none, the stored path is shown.
TEST_F(Startup, TheStoredLogInIsShownUnlessItWasUnfinishedAndTheMSwitchTakesSagesFolderOverIt) {
  const struct {
    const char *commandLine, *loginStatus;
    std::string path;
    const char *user, *password;
  } kCases[] = {{"", "1 c:\\sage\\accdata", "c:\\sage\\accdata", "jo", "pw"},
                {"", "0 c:\\sage\\accdata", "", "", ""},
                {"  -M ", "1 c:\\sage\\accdata", lastDataPath, "jo", "pw"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.commandLine) + c.loginStatus);
    SaveAppSetting("DataPath", "c:\\sage\\accdata");
    SaveUserSetting("UserCode", "jo");
    SaveUserSetting("Password", "pw  ");
    SaveUserSetting("UserRefresh", "Y");
    SaveUserSetting("LoginStatus", c.loginStatus);
    {
      RunningProgram program(c.commandLine);
      HWND main = program.WaitForMainWindow();
      ASSERT_TRUE(main);
      EXPECT_EQ(Control(main, "txtPath"), c.path);
      EXPECT_EQ(Control(main, "txtUser"), c.user);
      EXPECT_EQ(Control(main, "txtPw"), c.password);
      if (*c.user) {
        EXPECT_EQ(SendMessageA(forms::FindControl(main, "chkRfrsh"), BM_GETCHECK, 0, 0), BST_CHECKED);
      }
    }
    if (*c.commandLine) {
      EXPECT_EQ(GetAppSetting("DataPath", "?"), lastDataPath) << "the chosen path is saved";
    }
  }
}

TEST_F(Startup, AnAnnouncedVersionShowsTheBulbOnlyWhenNewerThanThisBuildAndIsForgottenOtherwise) {
  for (const int ahead : {1, 0}) {
    const std::string announced = Format("%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRevision + ahead);
    SCOPED_TRACE(announced);
    SaveAppSetting("NewRssVer", announced);
    {
      RunningProgram program;
      HWND main = program.WaitForMainWindow();
      ASSERT_TRUE(main);
      EXPECT_EQ(IsWindowVisible(forms::FindControl(main, "picBulbY")) != FALSE, ahead > 0);
    }
    EXPECT_EQ(GetAppSetting("NewRssVer", "?"), ahead > 0 ? announced : "");
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
  // SAGE.INI is read by the start-up for Sage's last folder, and by every analysis for its switches.
  Grow(fixtures::SageIniPathAt(fixtures::SageIniPlace::CommonAppData), 100 * kGigabyte);
  {
    RunningProgram program(" -M");
    HWND main = program.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_EQ(Control(main, "txtPath"), "") << "no folder taken from a file that is no SAGE.INI";
    program.Close();
    EXPECT_EQ(program.WaitForExit(), 0);
  }
  // The installation's update list and the data folder's files, read whole or record by record.
  const std::string setupFolder = fixtures::SetupFolderOf(18, false);
  CreateDirectoryA(setupFolder.c_str(), nullptr);
  Grow(setupFolder + "Application.config", 2 * kGigabyte);
  for (const char* name : {"ACCDATA\\queue.dta", "ACCDATA\\access.dta", "ACCDATA\\tablemetadata.dta", "watermark.xml"})
    Grow(company.Win("Wickham\\") + name, kGigabyte);
  SaveAppSetting("DataPath", company.Win("Wickham\\ACCDATA"));
  RunningProgram program;
  HWND main = program.WaitForMainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ(Control(main, "lblName"), "Wickham Joinery Ltd");
  DWORD_PTR ignored = 0;
  EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &ignored)) << "the window answers";
  program.Close();
  EXPECT_EQ(program.WaitForExit(), 0);
  DeleteFileA((setupFolder + "Application.config").c_str());
}

}  // namespace
}  // namespace lw
