#include "app/discovery/installation.h"

#include <gtest/gtest.h>

#include "app/discovery/sage_usr.h"
#include "tests/fixtures/sage_data.h"

namespace lw {
namespace {

TEST(InstallRules, YearFolderFromFourteenOnAndInstantBeforeSixteen) {
  const std::string s = "c:\\programdata\\sage\\accounts\\";
  EXPECT_EQ(SetupFolderFor(s, 13, false), "");
  EXPECT_EQ(SetupFolderFor(s, 14, false), s + "2008\\");
  EXPECT_EQ(SetupFolderFor(s, 15, true), s + "2009Instant\\");
  EXPECT_EQ(SetupFolderFor(s, 15, false), s + "2009\\");
  EXPECT_EQ(SetupFolderFor(s, 16, true), s + "2010\\");
  EXPECT_EQ(SetupFolderFor(s, 18, false), s + "2012\\");
}

TEST(InstallRules, CompanyAndOdbcFoldersDropTheAccdataFolder) {
  EXPECT_EQ(CompanyFolderOf("C:\\Data\\Co1\\ACCDATA"), "C:\\Data\\Co1");
  EXPECT_EQ(CompanyFolderOf("   "), "");
  EXPECT_EQ(CompanyFolderOf("c:\\acc"), "");  // shorter than what is cut off: no folder, no crash

  EXPECT_EQ(OdbcDataSourceFolder(" C:\\Sage\\Company.000\\ACCDATA"), "c:\\sage\\company.000\\");
  EXPECT_EQ(OdbcDataSourceFolder("C:\\Sage\\Company.000\\AccData\\"), "c:\\sage\\company.000\\");
  EXPECT_EQ(OdbcDataSourceFolder("C:\\Program Files\\Sage\\Accounts"), "c:\\program files\\sage\\accounts\\");
  EXPECT_EQ(OdbcDataSourceFolder("C:\\myaccdata"), "c:\\myaccdata\\");
  EXPECT_EQ(OdbcDataSourceFolder(""), "");
}

TEST(InstallRules, ReportsFolderBySwitchAndVersion) {
  Installation i;
  i.CompanyFolder = "C:\\Data\\Co1";
  i.ProgramFolder = "C:\\Program Files\\Sage\\Accounts\\";
  i.SetupFolder = "c:\\programdata\\sage\\accounts\\2012\\";
  EXPECT_EQ(ReportsFolderFor(i, 12), "c:\\program files\\sage\\accounts\\reports\\");
  EXPECT_EQ(ReportsFolderFor(i, 18), "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\");
  i.UseDataPathForReports = true;
  EXPECT_EQ(ReportsFolderFor(i, 12), "c:\\data\\co1\\reports\\");
  EXPECT_EQ(ReportsFolderFor(i, 18), "c:\\data\\co1\\reports\\");

  Installation unknown;  // nothing found: no folder rather than a bare "reports\"
  EXPECT_EQ(ReportsFolderFor(unknown, 12), "");
  EXPECT_EQ(ReportsFolderFor(unknown, 18), "");
}

TEST(InstallRules, ProgramVersionMustBeTheDataVersion) {
  EXPECT_TRUE(VersionMatchesData("18.0.10.208", "18"));
  EXPECT_FALSE(VersionMatchesData("17.0.12.196", "18"));
  EXPECT_FALSE(VersionMatchesData("180.0.0.0", "18"));
  EXPECT_FALSE(VersionMatchesData("", ""));
}

TEST(SageIniSwitches, EachFlagInAnyCaseAnywhere) {
  Installation i;
  fixtures::SageIni ini;
  ini.switches = {"UseDataPathForReports=1", "ENABLEDATAFIXING=1", "CompressUsingFileSize=0"};
  ApplySageIniSwitches(fixtures::BuildSageIni(ini), i);
  EXPECT_TRUE(i.UseDataPathForReports);
  EXPECT_TRUE(i.EnableDataFixing);
  EXPECT_FALSE(i.CompressUsingFileSize);
  ApplySageIniSwitches("compressusingfilesize=1", i);
  EXPECT_FALSE(i.UseDataPathForReports);
  EXPECT_TRUE(i.CompressUsingFileSize);
}

TEST(ApplicationConfig, FullVersionWithoutLeadingZeros) {
  EXPECT_EQ(FullVersionText("18.00.0010.0208"), "18.0.10.208");
  EXPECT_EQ(FullVersionText("17.01"), "17.1");
  EXPECT_EQ(FullVersionText("16..3"), "16.3");

  Installation i;
  i.SageVersion = "18";
  fixtures::ApplicationConfigContents recipe;
  ApplyApplicationConfig(fixtures::BuildApplicationConfig(recipe), i);
  EXPECT_EQ(i.SageVersion, "18.0.10.208");

  Installation blank;
  blank.SageVersion = "18";
  ApplyApplicationConfig("<FullVersion>  </FullVersion>", blank);
  EXPECT_EQ(blank.SageVersion, "18");
  ApplyApplicationConfig("<FullVersion>18.1", blank);
  EXPECT_EQ(blank.SageVersion, "18");
}

TEST(ApplicationConfig, UpdatesInOrderWithoutRepeatedNames) {
  fixtures::ApplicationConfigContents recipe;
  recipe.updates = {{"Update 1", "12/01/2012"}, {" update 2 ", "03/05/2012"}, {"Update 1", "14/01/2012"},
                  {"", "01/01/2000"}};
  Installation i;
  ApplyApplicationConfig(fixtures::BuildApplicationConfig(recipe), i);
  ASSERT_EQ(i.InstalledUpdates.size(), 2u);
  EXPECT_EQ(i.InstalledUpdates[0].name, "UPDATE 1");
  EXPECT_EQ(i.InstalledUpdates[0].date, "12/01/2012");
  EXPECT_EQ(i.InstalledUpdates[1].name, "UPDATE 2");
  EXPECT_EQ(i.InstalledUpdates[1].date, "03/05/2012");

  // An update block outside the list, and an unfinished one at its end, are not updates.
  Installation j;
  ApplyApplicationConfig(
      "<Update><Name>Stray</Name></Update><Updates><Update><Name>Kept</Name></Update><Update><Name>Cut</Name>"
      "</Updates>",
      j);
  ASSERT_EQ(j.InstalledUpdates.size(), 1u);
  EXPECT_EQ(j.InstalledUpdates[0].name, "KEPT");
  EXPECT_EQ(j.InstalledUpdates[0].date, "");
}

TEST(SageUsr, EveryEditionByteAndTheCounts) {
  const struct {
    uint8_t byte;
    const char* code;
    const char* name;
  } kEditions[] = {{1, "FC", "Financial Controller"}, {2, "A+", "Accountant Plus"}, {4, "AC", "Accountant"},
                   {8, "BK", "Book Keeper"},          {16, "IA", "Instant"},        {64, "IP", "Instant Plus"},
                   {128, "CM", "Client Manager"},     {227, "SD", "Sage Data Objects"}};
  for (const auto& e : kEditions) {
    fixtures::SageUsrContents recipe;
    recipe.editionByte = e.byte;
    recipe.users = 0x0102;  // both bytes count
    recipe.companies = 65535;
    BufferByteSource file(fixtures::BuildSageUsr(recipe));
    SageUsr usr = ReadSageUsrBytes(file, "sage.usr");
    EXPECT_TRUE(usr.read);
    EXPECT_EQ(usr.editionCode, e.code);
    EXPECT_EQ(usr.editionName, e.name);
    EXPECT_EQ(usr.userCount, 258u);
    EXPECT_EQ(usr.companyCount, 65535u);
  }
}

TEST(SageUsr, UnknownEditionsAndShortFiles) {
  fixtures::SageUsrContents recipe;
  recipe.editionByte = 32;
  BufferByteSource cis(fixtures::BuildSageUsr(recipe));
  SageUsr c = ReadSageUsrBytes(cis, "CIS.usr");
  EXPECT_EQ(c.editionCode, "CI");
  EXPECT_EQ(c.editionName, "CIS Module");
  BufferByteSource plain(fixtures::BuildSageUsr(recipe));
  SageUsr p = ReadSageUsrBytes(plain, "sage.usr");
  EXPECT_EQ(p.editionCode, "32");
  EXPECT_EQ(p.editionName, "Unidentified 32");

  std::vector<uint8_t> bytes = fixtures::BuildSageUsr({});
  bytes.resize(27);
  BufferByteSource shortFile(bytes);
  SageUsr s = ReadSageUsrBytes(shortFile, "sage.usr");
  EXPECT_FALSE(s.read);
  EXPECT_EQ(s.editionCode, "");
  EXPECT_EQ(s.userCount, 0u);
  BufferByteSource empty({});
  EXPECT_FALSE(ReadSageUsrBytes(empty, "sage.usr").read);
}

TEST(SageUsr, RestoringKeepsEveryByteDistinct) {
  // Whatever the substitution is, it must map the 256 stored bytes onto 256 different ones.
  bool seen[256] = {};
  for (int b = 0; b < 256; ++b) {
    uint8_t r = RestoreSageUsrByte(uint8_t(b));
    EXPECT_FALSE(seen[r]) << b;
    seen[r] = true;
  }
}

TEST(SageUsr, EditionsTakeTheirNewNamesFromVersionFourteen) {
  EXPECT_EQ(RenameEditionForYear("Financial Controller", 14), "Accounts Professional");
  EXPECT_EQ(RenameEditionForYear("Accountant Plus", 18), "Accounts Plus");
  EXPECT_EQ(RenameEditionForYear("Accountant", 14), "Accounts");
  EXPECT_EQ(RenameEditionForYear("Accountant", 13), "Accountant");
  EXPECT_EQ(RenameEditionForYear("Instant Plus", 18), "Instant Plus");
  EXPECT_EQ(RenameEditionForYear("", 18), "");
}

}  // namespace
}  // namespace lw
