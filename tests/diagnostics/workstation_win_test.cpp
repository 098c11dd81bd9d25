// The workstation checks against the real system: WMI, the registered update component and the
// drive types Wine reports. The texts made of them are the native tables'.
#include "app/diagnostics/workstation_win.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <regex>
#include <string>
#include <thread>

#include "app/shell/startup_win.h"
#include "app/tools/text.h"
#include "tests/component/com_client_win.h"

namespace lw {
namespace {

class WorkstationChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ResetApplicationState();
  }
  void TearDown() override {
    ResetApplicationState();
    CoUninitialize();
  }
};

TEST_F(WorkstationChecks, TheProcessorDataLocationAndWindowsVersionComeFromTheSystem) {
  std::string width = "stale";
  const std::string name = GetProcessor(width);
  EXPECT_TRUE(!name.empty() && name == Trim(name)) << name;
  // The processor's width, not the program's: a 32-bit program on 64-bit Windows sees "64bit" too.
  BOOL wow64 = FALSE;
  EXPECT_EQ(width, sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) ? "64bit" : "32bit");
  // A thread without COM gets nothing, and the width of an earlier run does not survive.
  std::string noName = "stale", noWidth = "stale";
  std::thread([&] { noName = GetProcessor(noWidth); }).join();
  EXPECT_EQ(noName + noWidth, "");

  // A letter with no drive behind it cannot be judged remote.
  char unused = 0;
  for (char letter = 'Y'; letter > 'D' && !unused; --letter)
    if (GetDriveTypeA((std::string(1, letter) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) unused = letter;
  ASSERT_NE(unused, 0);
  EXPECT_EQ(GetDataLocation(std::string(1, unused) + ":\\Sage"), "Local Data");

  // The Windows version is made from the registered component, and without it.
  ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u);
  std::string details;
  const std::string label = GetWindowsVersion("64bit", details);
  EXPECT_EQ(Workstation.UserIsAdmin, bool(IsUserAnAdmin()));
  // The details are the component's version text (major.minor.platform.build.service pack)
  // followed by the width; Wine answers as Windows 7 unless its prefix is set to another version.
  std::smatch m;
  ASSERT_TRUE(std::regex_match(details, m, std::regex(R"(^(\d+\.\d+\.2\.\d+\.([^.]*)) 64bit$)"))) << details;
  const std::string tail = " 64bit " + (m[2].str().empty() ? "" : m[2].str() + " ") +
                           (IsUserAnAdmin() ? "(Administrator)" : "(Normal User)");
  EXPECT_EQ(label, (m[1].str().starts_with("6.1.2.") ? "Windows 7" : m[1].str()) + tail);

  // Without the component: nothing is known but the width, and no administrator is assumed.
  ASSERT_EQ(updara_test::Regsvr32(L"/u /s"), 0u);
  EXPECT_EQ(GetWindowsVersion("64bit", details), " 64bit (Normal User)");
  EXPECT_EQ(details, "64bit");
  EXPECT_FALSE(Workstation.UserIsAdmin);
}

}  // namespace
}  // namespace lw
