// The workstation checks against the real system: WMI, the registered update component, the
// memory figures and the drive types Wine reports. That this machine's WMI has no Security Center,
// and so no anti-virus to show, is the main window's test (WindowsInfoShowsTheWorkstation...).
#include "app/diagnostics/workstation_win.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <regex>
#include <string>
#include <thread>

#include "app/diagnostics/workstation.h"
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

TEST_F(WorkstationChecks, ProcessorMemoryAndDataLocationComeFromTheSystem) {
  std::string width = "stale";
  const std::string name = GetProcessor(width);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name, Trim(name));
  EXPECT_EQ(name.find("  "), std::string::npos) << name;
  // The processor's width, not the program's: a 32-bit program on 64-bit Windows sees "64bit" too.
  BOOL wow64 = FALSE;
  const bool on64Bit = sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
  EXPECT_EQ(width, on64Bit ? "64bit" : "32bit");

  // A thread without COM gets nothing, and the width of an earlier run does not survive.
  std::string noName = "stale", noWidth = "stale";
  std::thread([&] { noName = GetProcessor(noWidth); }).join();
  EXPECT_EQ(noName, "");
  EXPECT_EQ(noWidth, "");

  // The figures are the system's; their rounding and the warning are DescribeMemory's (Workstation).
  Workstation.MemColour = 0x123456;
  const std::string caption = GetMemoryStatus();
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  ASSERT_TRUE(GlobalMemoryStatusEx(&status));
  std::smatch m;
  ASSERT_TRUE(std::regex_match(caption, m, std::regex(R"(^(\d+)Mb of (\d+)Mb \((\d+)%\)$)"))) << caption;
  EXPECT_EQ(std::stoull(m[2]), (status.ullTotalPhys + 524288) / 1048576);
  EXPECT_EQ(Workstation.MemColour, std::stoi(m[3]) >= 80 ? kWarningColour : kNormalColour);
  EXPECT_NE(Workstation.MemTip, "");

  ASSERT_EQ(GetDriveTypeA("C:\\"), UINT(DRIVE_FIXED));
  EXPECT_EQ(GetDataLocation("C:\\Sage\\ACCDATA"), "Local Data");
  EXPECT_EQ(GetDataLocation("c:"), "Local Data");
  // A letter with no drive behind it cannot be judged remote.
  char unused = 0;
  for (char letter = 'Y'; letter > 'D' && !unused; --letter)
    if (GetDriveTypeA((std::string(1, letter) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) unused = letter;
  ASSERT_NE(unused, 0);
  EXPECT_EQ(GetDataLocation(std::string(1, unused) + ":\\Sage"), "Local Data");
}

TEST_F(WorkstationChecks, WindowsVersionIsMadeFromTheRegisteredComponentAndWithoutIt) {
  ASSERT_EQ(updara_test::Regsvr32(L"/s"), 0u);
  std::string details;
  const std::string label = GetWindowsVersion("64bit", details);
  const bool admin = IsUserAnAdmin();
  EXPECT_EQ(Workstation.UserIsAdmin, admin);
  // The details are the component's version text (major.minor.platform.build.service pack)
  // followed by the width.
  std::smatch m;
  ASSERT_TRUE(std::regex_match(details, m, std::regex(R"(^((\d+)\.(\d+)\.2\.(\d+)\.([^.]*)) 64bit$)"))) << details;
  const std::string version = m[1];
  const std::string rights = admin ? "(Administrator)" : "(Normal User)";
  const std::string servicePack = m[5].str().empty() ? "" : m[5].str() + " ";
  // Wine answers as Windows 7 unless its prefix is set to another version.
  if (version.starts_with("6.1.2.")) {
    EXPECT_EQ(label, "Windows 7 64bit " + servicePack + rights);
  } else if (std::stoi(m[2]) >= 10) {
    EXPECT_EQ(label, version + " 64bit " + servicePack + rights);
  }
  EXPECT_TRUE(label.ends_with(" 64bit " + servicePack + rights)) << label;
  EXPECT_EQ(Smb2MenuVisible(details), std::stoi(m[2]) >= 6);

  // A 32-bit processor adds nothing, and the details keep the width as it was given.
  EXPECT_EQ(GetWindowsVersion("32bit", details).find("bit"), std::string::npos);
  EXPECT_EQ(details, version + " 32bit");

  // Without the component: nothing is known but the width, no administrator is assumed, and
  // the SMB2 tool is not offered on the strength of "64bit".
  ASSERT_EQ(updara_test::Regsvr32(L"/u /s"), 0u);
  EXPECT_EQ(GetWindowsVersion("64bit", details), " 64bit (Normal User)");
  EXPECT_EQ(details, "64bit");
  EXPECT_FALSE(Workstation.UserIsAdmin);
  EXPECT_FALSE(Smb2MenuVisible(details));
}

}  // namespace
}  // namespace lw
