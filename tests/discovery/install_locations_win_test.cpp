// Installation discovery and the setup.dta checks against synthetic installations in the prefix.
// The rules they apply are the native tables' (installation_test.cpp, setup_dta_test.cpp).
#include "app/discovery/install_locations_win.h"

#include <gtest/gtest.h>

#include "app/diagnostics/report_temp.h"
#include "app/discovery/setup_dta_win.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::SageInstallation;

// The main window's fixture for its clean state and the message boxes; no window is opened.
class Discovery : public fixtures::MainWindowTest {
 protected:
  // A program folder in the scratch folder holding sage.exe of this version, nothing registered.
  SageInstallation Unregistered(const std::string& folder, const std::string& version) const {
    SageInstallation program;
    program.programFolder = dir.Win(folder);
    program.sageExeVersion = version;
    program.registerProgram = false;
    return program;
  }
};

TEST_F(Discovery, Version18FoundThroughTheInstallPathsInItsOnDiskCase) {
  fixtures::WriteVersionedFile(dir.Win("Sage17\\Accounts\\sage.exe"), "17.0.12.196");
  recipe = Unregistered("Sage18\\Accounts Pro", "18.0.10.208");
  recipe.lastInstallPath = dir.Win("Sage17\\Accounts");                 // wrong major version: passed over
  recipe.previousInstallPath = LCase(dir.Win("Sage18\\Accounts Pro"));  // as Sage may store it
  recipe.sageUsr.editionByte = 1;
  recipe.applicationConfig.updates = {{"Update 1", "12/01/2012"}};
  fixtures::WriteSageInstallation(recipe);
  DiscoverInstallation(DataPath(), "18", "FC");
  std::string onDisk = dir.Win("Sage18\\Accounts Pro") + "\\";
  onDisk.replace(0, 3, LCase(onDisk.substr(0, 3)));
  EXPECT_EQ(Install.ProgramFolder, onDisk);
  EXPECT_EQ(Install.SageVersion, "18.0.10.208");
  EXPECT_EQ(Install.EditionName, "Accounts Professional");
  ASSERT_EQ(Install.InstalledUpdates.size(), 1u);
  // A wildcard that would match some other entry is no component: the input, normalised.
  EXPECT_EQ(GetOnDiskCase(dir.Win("Sage1*")), NormaliseFolder(dir.Win("Sage1*")));

  // Without either path the data source's folder is the last candidate, for its own version only.
  fixtures::RemoveSageInstallations();
  recipe = Unregistered("Odbc\\Sage", "");
  recipe.sfwExeVersion = "18.0.10.208";  // no sage.exe there: sfw.exe decides
  recipe.odbcDataPathName = dir.Win("Odbc\\Sage\\ACCDATA");
  fixtures::WriteSageInstallation(recipe);
  DiscoverInstallation(DataPath(), "18", "A+");
  EXPECT_TRUE(EqualsNoCase(Install.ProgramFolder, dir.Win("Odbc\\Sage") + "\\")) << Install.ProgramFolder;
  DiscoverInstallation(DataPath(), "17", "A+");
  EXPECT_EQ(Install.ProgramFolder, "");
}

TEST_F(Discovery, NothingInstalledLeavesNothingOfAnEarlierLookupAndTheNewerSageIniWins) {
  Install.EditionName = "left over";
  Install.InstalledUpdates.push_back({"OLD", ""});
  DiscoverInstallation(DataPath(), "18", "A+");
  EXPECT_EQ(Install.ProgramFolder + Install.SdoVersion + Install.EditionName, "");
  EXPECT_EQ(Install.SageVersion, "18");
  EXPECT_TRUE(Install.InstalledUpdates.empty());

  // Of the two SAGE.INI files, the newer wins.
  const unsigned long long kJan2012 = 129699648000000000ULL;
  fixtures::WriteSageIni(fixtures::SageIniPlace::WindowsFolder, {"C:\\Data\\Old", "LastDataPath", {}}, kJan2012);
  fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, {"C:\\Data\\New", "LASTDATAPATH", {}},
                         kJan2012 + 10000000);
  EXPECT_EQ(GetSageIniPath(), fixtures::SageIniPathAt(fixtures::SageIniPlace::CommonAppData));
  EXPECT_EQ(GetLastDataPath(), "c:\\data\\new\\accdata\\");
}

TEST_F(Discovery, TheSetupChecksReadTheDataFolderAndTheInstalledEngine) {
  setup.dataVersion = 17;
  EXPECT_EQ(ReadCompanyDetails(fixtures::WriteDataFolder(dir.Path("Co1"), setup).string()),
            "Unit 4 Mill Lane^Wickham^Hampshire^PO17 5AB");
  EXPECT_EQ(lw::Setup.CompanyTelephone + "|" + lw::Setup.CompanyEmail,
            "01329 555 0192|accounts@wickhamjoinery.example");
  // Another folder without setup.dta leaves nothing of the last company behind.
  EXPECT_EQ(ReadCompanyDetails(dir.Win()), "");
  EXPECT_EQ(lw::Setup.CompanyTelephone + lw::Setup.CompanyVatNumber + lw::Setup.CompanyEmail, "");

  // The installed engine's version is judged, and its message shown.
  EXPECT_FALSE(CheckSdoVersion("18"));
  for (auto [engine, mustUpdate] : {std::pair{"17.0.12.196", true}, {"18.0.10.208", false}}) {
    SageInstallation engineOnly;
    engineOnly.sdoVersion = engine;
    engineOnly.writeSageIni = engineOnly.writeSageUsr = engineOnly.writeApplicationConfig = false;
    fixtures::WriteSageInstallation(engineOnly);
    EXPECT_EQ(CheckSdoVersion("18"), mustUpdate) << engine;
  }
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "SDO Not Found|16|The Sage v18 SDO has not been installed on this computer",
                          "Bad SDO Version|16|Your Sage SDO is v17.0.12.196 and needs to be updated to v18.0.10.208"}));
}

// ---- registry views ----
// The shipped program is 32-bit: on 64-bit Windows the accounting package's keys under SOFTWARE,
// which its 32-bit installer wrote, are in the 32-bit view (WOW6432Node).

const std::string kLastInstall = "SOFTWARE\\Sage\\Line 50\\LastInstallPath";
const std::string kOdbc18 = "SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18";

class RegistryViews : public Discovery {
 protected:
  void TearDown() override {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      HKEY software;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS) continue;
      RegDeleteTreeA(software, "Sage");
      RegDeleteTreeA(software, "ODBC\\ODBC.INI\\SageLine50v18");
      RegCloseKey(software);
    }
    Discovery::TearDown();
  }
  // A folder holding a version 18 program, and the package's keys naming it, in one view.
  std::string InstallIn(const std::string& name, REGSAM view) {
    const std::string folder = dir.Win(name);
    fixtures::WriteSageInstallation(Unregistered(name, "18.0.10.208"));
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kLastInstall, "", REG_SZ, folder + std::string(1, '\0'), view);
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "DataPathName", REG_SZ, folder + "\\ACCDATA", view);
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, REG_SZ, folder + "\\Temp", view);
    return folder;
  }
};

TEST_F(RegistryViews, ThePackagesKeysAreReadAndWrittenInThe32BitView) {
#ifdef _WIN64
  GTEST_SKIP() << "a 64-bit build reads its own view; the shipped 32-bit one is tested in the i686 suite";
#endif
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64) && wow64) << "the i686 suite must run as on 64-bit Windows";
  const std::string ours = InstallIn("Program32", KEY_WOW64_32KEY);
  InstallIn("Program64", KEY_WOW64_64KEY);

  EXPECT_EQ(GetOdbcDataSourceFolder("18"), NormaliseFolder(ours));
  DiscoverInstallation(DataPath(), "18", "AC");
  EXPECT_TRUE(EqualsNoCase(Install.ProgramFolder, NormaliseFolder(ours))) << Install.ProgramFolder;
  EXPECT_EQ(ReadMachineString(kOdbcApp, ReportTempSection("18"), kTempPathValue, ""), ours + "\\Temp");

  WriteMachineString(kOdbcApp, ReportTempSection("18"), kTempPathValue, "C:\\Reports");
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, KEY_WOW64_32KEY).text(), "C:\\Reports");
  EXPECT_EQ(fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, kTempPathValue, KEY_WOW64_64KEY).text(),
            dir.Win("Program64") + "\\Temp");
}

}  // namespace
}  // namespace lw
