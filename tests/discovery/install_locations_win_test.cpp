#include "app/discovery/install_locations_win.h"

#include <gtest/gtest.h>

#include "app/shell/startup_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

using fixtures::SageInstallation;

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::ResetProgramState(); }
  void TearDown() override { fixtures::ResetProgramState(); }

  std::string DataPath() const { return dir_.Win("Company.000\\ACCDATA"); }
  fixtures::ScratchFolder dir_;
};

TEST_F(Discovery, NewerSageIniWinsAndATieGoesToTheWindowsFolder) {
  EXPECT_EQ(GetSageIniPath(), "");
  EXPECT_EQ(GetLastDataPath(), "");
  const unsigned long long kJan2012 = 129699648000000000ULL;
  fixtures::SageIni windows{"C:\\Data\\Old", "LastDataPath", {}};
  fixtures::SageIni appData{"C:\\Data\\New", "LASTDATAPATH", {}};
  fixtures::WriteSageIni(fixtures::SageIniPlace::WindowsFolder, windows, kJan2012);
  fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, appData, kJan2012 + 10000000ULL);
  EXPECT_EQ(GetSageIniPath(), fixtures::SageIniPathAt(fixtures::SageIniPlace::CommonAppData));
  EXPECT_EQ(GetLastDataPath(), "c:\\data\\new\\accdata\\");

  fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, appData, kJan2012);
  EXPECT_EQ(GetSageIniPath(), fixtures::SageIniPathAt(fixtures::SageIniPlace::WindowsFolder));
  EXPECT_EQ(GetLastDataPath(), "c:\\data\\old\\accdata\\");

  fixtures::RemoveSageInis();
  fixtures::WriteSageIni(fixtures::SageIniPlace::CommonAppData, appData, kJan2012);
  EXPECT_EQ(GetSageIniPath(), fixtures::SageIniPathAt(fixtures::SageIniPlace::CommonAppData));
}

TEST_F(Discovery, Version12RegisteredProgramWithItsOwnSettings) {
  SageInstallation recipe;
  recipe.dataVersion = 12;
  recipe.programType = fixtures::kAccountant;
  recipe.programFolder = dir_.Win("Sage\\Line50");
  recipe.sageExeVersion = "12.0.1.60";
  recipe.sdoVersion = "12.0.1.60";
  recipe.sbdVersion = "1.2.3.4";
  recipe.reportDesignerVersion = "7.0.0.1";
  recipe.sageUsr.editionByte = 4;
  recipe.sageUsr.users = 2;
  fixtures::WriteSageInstallation(recipe);

  DiscoverInstallation(DataPath(), "12", "AC");
  EXPECT_EQ(Install.SageSettingsFolder, NormaliseFolder(GetWindowsFolder()));
  EXPECT_EQ(Install.SetupFolder, "");
  EXPECT_EQ(Install.CompanyFolder, dir_.Win("Company.000"));
  EXPECT_EQ(Install.ProgramFolder, NormaliseFolder(dir_.Win("Sage\\Line50")));
  EXPECT_EQ(Install.ReportsFolder, NormaliseFolder(dir_.Win("Sage\\Line50")) + "reports\\");
  EXPECT_EQ(Install.SageVersion, "12");
  EXPECT_EQ(Install.SdoVersion, "12.0.1.60");
  EXPECT_EQ(Install.SbdVersion, "1.2.3.4");
  EXPECT_EQ(Install.ReportDesignerVersion, "");  // only looked for from version 13
  EXPECT_EQ(Install.EditionCode, "AC");
  EXPECT_EQ(Install.EditionName, "Accountant");  // the old name before version 14
  EXPECT_EQ(Install.SageUserCount, 2u);

  recipe.sageIniSwitches = {"UseDataPathForReports=1", "EnableDataFixing=1"};
  fixtures::WriteSageInstallation(recipe);
  DiscoverInstallation(DataPath(), "12", "AC");
  EXPECT_EQ(Install.ReportsFolder, NormaliseFolder(dir_.Win("Company.000")) + "reports\\");
  EXPECT_TRUE(Install.EnableDataFixing);
}

TEST_F(Discovery, InstantYearFoldersAtFifteenAndSixteen) {
  SageInstallation recipe;
  recipe.dataVersion = 15;
  recipe.programType = fixtures::kInstantAccounts;
  recipe.programFolder = dir_.Win("Sage\\Instant");
  recipe.sdoVersion = "15.0.10.10";
  recipe.sageUsr.editionByte = 16;
  recipe.applicationConfig.fullVersion = "15.00.0010.0010";
  fixtures::WriteSageInstallation(recipe);
  DiscoverInstallation(DataPath(), "15", "IA");
  const std::string settings = NormaliseFolder(GetSpecialFolder("COMMON_APPDATA")) + "Sage\\Accounts\\";
  EXPECT_EQ(Install.SageSettingsFolder, settings);
  EXPECT_EQ(Install.SetupFolder, settings + "2009Instant\\");
  EXPECT_EQ(Install.ProgramFolder, NormaliseFolder(dir_.Win("Sage\\Instant")));
  EXPECT_EQ(Install.SageVersion, "15.0.10.10");
  EXPECT_EQ(Install.SdoVersion, "15.0.10.10");

  fixtures::RemoveSageInstallations();
  recipe.dataVersion = 16;
  recipe.sdoVersion = "";
  recipe.applicationConfig.fullVersion = "16.01.0014.0147";
  fixtures::WriteSageInstallation(recipe);
  DiscoverInstallation(DataPath(), "16", "IP");
  EXPECT_EQ(Install.SetupFolder, settings + "2010\\");
  // The Instant program of 16 is registered under the full program's class.
  EXPECT_EQ(Install.ProgramFolder, NormaliseFolder(dir_.Win("Sage\\Instant")));
  EXPECT_EQ(Install.SageVersion, "16.1.14.147");
  EXPECT_EQ(Install.SdoVersion, "");
}

TEST_F(Discovery, Version18FoundThroughTheInstallPathsInItsOnDiskCase) {
  SageInstallation older;
  older.dataVersion = 17;
  older.programFolder = dir_.Win("Sage17\\Accounts");
  older.sageExeVersion = "17.0.12.196";
  older.registerProgram = false;
  older.writeSageIni = older.writeSageUsr = older.writeApplicationConfig = false;
  fixtures::WriteSageInstallation(older);

  SageInstallation recipe;
  recipe.programFolder = dir_.Win("Sage18\\Accounts Pro");
  recipe.sageExeVersion = "18.0.10.208";
  recipe.registerProgram = false;
  recipe.lastInstallPath = dir_.Win("Sage17\\Accounts");                 // wrong major version: passed over
  recipe.previousInstallPath = LCase(dir_.Win("Sage18\\Accounts Pro"));  // as Sage may store it
  recipe.sdoVersion = "18.0.10.208";
  recipe.reportDesignerVersion = "8.1.0.12";
  recipe.sageUsr.editionByte = 1;
  recipe.applicationConfig.updates = {{"Update 1", "12/01/2012"}};
  fixtures::WriteSageInstallation(recipe);

  DiscoverInstallation(DataPath(), "18", "FC");
  std::string onDisk = dir_.Win("Sage18\\Accounts Pro") + "\\";
  onDisk.replace(0, 3, LCase(onDisk.substr(0, 3)));
  EXPECT_EQ(Install.ProgramFolder, onDisk);
  EXPECT_NE(Install.ProgramFolder, NormaliseFolder(onDisk));
  EXPECT_EQ(Install.SageVersion, "18.0.10.208");
  EXPECT_EQ(Install.SdoVersion, "18.0.10.208");
  EXPECT_EQ(Install.ReportDesignerVersion, "8.1.0.12");
  EXPECT_EQ(Install.EditionCode, "FC");
  EXPECT_EQ(Install.EditionName, "Accounts Professional");
  ASSERT_EQ(Install.InstalledUpdates.size(), 1u);
  EXPECT_EQ(Install.InstalledUpdates[0].name, "UPDATE 1");
  EXPECT_EQ(Install.ReportsFolder, Install.SetupFolder + "company.000\\reports\\");
  EXPECT_TRUE(EndsWithNoCase(Install.SetupFolder, "\\sage\\accounts\\2012\\"));
}

TEST_F(Discovery, OdbcDataSourceFolderIsTheLastCandidate) {
  SageInstallation recipe;
  recipe.programFolder = dir_.Win("Odbc\\Sage");
  recipe.sfwExeVersion = "18.0.10.208";  // no sage.exe there: sfw.exe decides
  recipe.registerProgram = false;
  recipe.lastInstallPath = dir_.Win("Nowhere");
  recipe.odbcDataPathName = dir_.Win("Odbc\\Sage\\ACCDATA");
  fixtures::WriteSageInstallation(recipe);
  EXPECT_EQ(GetOdbcDataSourceFolder("18"), NormaliseFolder(dir_.Win("Odbc\\Sage")));
  DiscoverInstallation(DataPath(), "18", "A+");
  EXPECT_TRUE(EqualsNoCase(Install.ProgramFolder, dir_.Win("Odbc\\Sage") + "\\"));
  EXPECT_EQ(Install.EditionName, "Accounts Plus");

  // The same folder for data of another version is no match.
  DiscoverInstallation(DataPath(), "17", "A+");
  EXPECT_EQ(Install.ProgramFolder, "");
}

TEST_F(Discovery, NothingInstalledLeavesEveryLookupEmpty) {
  Install.EditionName = "left over";
  Install.InstalledUpdates.push_back({"OLD", ""});
  DiscoverInstallation(DataPath(), "18", "A+");
  EXPECT_EQ(Install.ProgramFolder, "");
  EXPECT_EQ(Install.SdoVersion, "");
  EXPECT_EQ(Install.EditionName, "");
  EXPECT_EQ(Install.SageVersion, "18");
  EXPECT_TRUE(Install.InstalledUpdates.empty());
  EXPECT_FALSE(Install.UseDataPathForReports);

  DiscoverInstallation(DataPath(), "11", "AC");
  EXPECT_EQ(Install.ReportsFolder, "");  // no program folder to hold them
  DiscoverInstallation("", "", "");
  EXPECT_EQ(Install.CompanyFolder, "");
}

TEST_F(Discovery, OnDiskCaseOfEachComponent) {
  fixtures::WriteFile(dir_.Path("MixedCase/Sub Folder/file.TXT"), std::string("x"));
  std::string expected = dir_.Win("MixedCase\\Sub Folder\\file.TXT") + "\\";
  expected.replace(0, 3, LCase(expected.substr(0, 3)));
  EXPECT_EQ(GetOnDiskCase(UCase(dir_.Win("MixedCase\\Sub Folder\\file.txt"))), expected);
  // A missing component, or a wildcard that would match some other entry: the input, normalised.
  EXPECT_EQ(GetOnDiskCase(dir_.Win("MixedCase\\Missing")), NormaliseFolder(dir_.Win("MixedCase\\Missing")));
  EXPECT_EQ(GetOnDiskCase(dir_.Win("Mixed*")), NormaliseFolder(dir_.Win("Mixed*")));
  EXPECT_EQ(GetOnDiskCase(""), "");
}

TEST_F(Discovery, SageUsrByFolderOrByFileName) {
  fixtures::SageUsrContents recipe;
  recipe.editionByte = 32;
  fixtures::WriteFile(dir_.Path("cis.usr"), fixtures::BuildSageUsr(recipe));
  fixtures::WriteFile(dir_.Path("sage.usr"), fixtures::BuildSageUsr(recipe));
  ResetApplicationState();
  ReadSageUsr(dir_.Win("CIS.USR"));
  EXPECT_EQ(Install.EditionName, "CIS Module");
  ReadSageUsr(dir_.Win());
  EXPECT_EQ(Install.EditionCode, "32");
  ResetApplicationState();
  ReadSageUsr(dir_.Win("none"));
  EXPECT_EQ(Install.EditionCode, "");
}

}  // namespace
}  // namespace lw
