// The registry view each of the program's reads and writes goes to. The shipped program is 32-bit:
// on 64-bit Windows the accounting package's keys under SOFTWARE, which its 32-bit installer wrote,
// are in the 32-bit view (WOW6432Node), while the file-sharing values under SYSTEM are one key for
// both views, read by Windows' own 64-bit services.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/diagnostics/file_sharing_win.h"
#include "app/diagnostics/report_temp.h"
#include "app/discovery/install_locations_win.h"
#include "app/discovery/installation.h"
#include "app/state/settings_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

const std::string kLastInstall = "SOFTWARE\\Sage\\Line 50\\LastInstallPath";
const std::string kOdbc18 = "SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18";

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

void RemoveTree(const char* parent, const char* name, REGSAM view) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS | view, &k) != ERROR_SUCCESS) return;
  RegDeleteTreeA(k, name);
  RegCloseKey(k);
}

class RegistryViews : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    fixtures::RemoveSageInstallations();
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      RemoveTree("SOFTWARE", "Sage", view);
      RemoveTree("SOFTWARE\\ODBC\\ODBC.INI", "SageLine50v18", view);
    }
  }
  // A folder holding a version 18 program, and the package's keys naming it, in one view.
  std::string InstallIn(const std::string& name, REGSAM view) {
    const std::string folder = dir_.Win(name);
    fixtures::SageInstallation recipe;
    recipe.dataVersion = 18;
    recipe.programFolder = folder;
    recipe.sageExeVersion = "18.0.10.208";
    recipe.registerProgram = false;
    fixtures::WriteSageInstallation(recipe);
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kLastInstall, "", REG_SZ, folder + std::string(1, '\0'), view);
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "DataPathName", REG_SZ, folder + "\\ACCDATA", view);
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, REG_SZ, folder + "\\Temp", view);
    return folder;
  }
  fixtures::ScratchFolder dir_;
};

TEST_F(RegistryViews, ThePackagesKeysAreReadAndWrittenInThe32BitView) {
#ifdef _WIN64
  GTEST_SKIP() << "a 64-bit build reads its own view; the shipped 32-bit one is tested in the i686 suite";
#endif
  ASSERT_TRUE(RunsUnderWow64()) << "the i686 suite must run as on 64-bit Windows";
  const std::string ours = InstallIn("Program32", KEY_WOW64_32KEY);
  InstallIn("Program64", KEY_WOW64_64KEY);

  EXPECT_EQ(GetOdbcDataSourceFolder("18"), NormaliseFolder(ours));
  DiscoverInstallation(dir_.Win("Company.000\\ACCDATA"), "18", "AC");
  EXPECT_TRUE(EqualsNoCase(Install.ProgramFolder, NormaliseFolder(ours))) << Install.ProgramFolder;
  EXPECT_EQ(ReadMachineString(kOdbcApp, ReportTempSection("18"), kTempPathValue, ""), ours + "\\Temp");

  WriteMachineString(kOdbcApp, ReportTempSection("18"), kTempPathValue, "C:\\Reports");
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, KEY_WOW64_32KEY).text(), "C:\\Reports");
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, KEY_WOW64_64KEY).text(),
            dir_.Win("Program64") + "\\Temp");
}

TEST_F(RegistryViews, TheSharingValuesAreOneForBothViews) {
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters";
  fixtures::RestoredValues restore(HKEY_LOCAL_MACHINE, {{key, "EnableOplocks"}});
  const auto dword = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); };

  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, key, "EnableOplocks", REG_DWORD, dword(7), KEY_WOW64_64KEY);
  EXPECT_EQ(GetLanManServerValue("EnableOplocks", 99), 7u);
  SetLanManServerValue("EnableOplocks", 1);
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
    EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, key, "EnableOplocks", view).bytes, dword(1)) << view;
}

}  // namespace
}  // namespace lw
