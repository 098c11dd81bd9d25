#include "app/discovery/installation.h"

#include <gtest/gtest.h>

#include "app/discovery/data_path_texts.h"
#include "app/discovery/sage_usr.h"
#include "tests/fixtures/sage_data.h"

namespace lw {
namespace {

TEST(InstallRules, TheFoldersAndTextsOfAnInstallation) {
  const std::string s = "c:\\programdata\\sage\\accounts\\";
  EXPECT_EQ(SetupFolderFor(s, 13, false), "");
  EXPECT_EQ(SetupFolderFor(s, 15, true), s + "2009Instant\\");
  EXPECT_EQ(CompanyFolderOf("C:\\Data\\Co1\\ACCDATA"), "C:\\Data\\Co1");
  EXPECT_EQ(CompanyFolderOf("c:\\acc"), "");  // shorter than what is cut off: no folder, no crash
  EXPECT_EQ(OdbcDataSourceFolder(" C:\\Sage\\Company.000\\AccData\\"), "c:\\sage\\company.000\\");

  Installation i;
  i.CompanyFolder = "C:\\Data\\Co1";
  i.ProgramFolder = "C:\\Program Files\\Sage\\Accounts\\";
  i.SetupFolder = "c:\\programdata\\sage\\accounts\\2012\\";
  EXPECT_EQ(ReportsFolderFor(i, 12), "c:\\program files\\sage\\accounts\\reports\\");
  EXPECT_EQ(ReportsFolderFor(i, 18), "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\");
  i.UseDataPathForReports = true;
  EXPECT_EQ(ReportsFolderFor(i, 18), "c:\\data\\co1\\reports\\");
  EXPECT_EQ(ReportsFolderFor(Installation{}, 12), "") << "nothing found: no folder rather than a bare reports\\";

  EXPECT_FALSE(VersionMatchesData("180.0.0.0", "18"));

  // The texts of the data path analysis.
  EXPECT_EQ(ProgramDescription("AC", "Accounts Professional", 18, 5, 1),
            "Sage 50 Accounts Professional 5 User Single Company");
  EXPECT_EQ(ProgramDescription("A+", "Accounts Plus", 14, 1, 10), "Sage 50 Accounts Plus Single User 10 Company");
  EXPECT_EQ(ProgramDescription("A+", "Accountant Plus", 12, 0, 3), "Sage Line 50 Accountant Plus ");
  EXPECT_EQ(DataPathForStorage(" c:\\sage\\accdata\\ "), "c:\\sage\\accdata");
  EXPECT_EQ(DataPathForStorage("c:\\sage\\accdata\\\\"), "c:\\sage\\accdata\\");
}

TEST(InstallRules, SageIniSwitchesAndApplicationConfig) {
  Installation i;
  fixtures::SageIni ini;
  ini.switches = {"UseDataPathForReports=1", "ENABLEDATAFIXING=1", "CompressUsingFileSize=0"};
  ApplySageIniSwitches(fixtures::BuildSageIni(ini), i);
  EXPECT_TRUE(i.UseDataPathForReports && i.EnableDataFixing && !i.CompressUsingFileSize);
  ApplySageIniSwitches("compressusingfilesize=1", i);
  EXPECT_TRUE(!i.UseDataPathForReports && i.CompressUsingFileSize) << "each switch is read afresh";

  i.SageVersion = "18";
  ApplyApplicationConfig("<FullVersion>18.1", i);
  EXPECT_EQ(i.SageVersion, "18") << "an unfinished version is no version";
  fixtures::ApplicationConfigContents recipe;
  recipe.updates = {{"Update 1", "12/01/2012"}, {" update 2 ", "03/05/2012"}, {"Update 1", "14/01/2012"}, {"", "x"}};
  ApplyApplicationConfig(fixtures::BuildApplicationConfig(recipe), i);
  EXPECT_EQ(i.SageVersion, "18.0.10.208");
  ASSERT_EQ(i.InstalledUpdates.size(), 2u) << "in order, without repeated or empty names";
  EXPECT_EQ(i.InstalledUpdates[0].name + " " + i.InstalledUpdates[0].date, "UPDATE 1 12/01/2012");
  EXPECT_EQ(i.InstalledUpdates[1].name + " " + i.InstalledUpdates[1].date, "UPDATE 2 03/05/2012");
  // An update block outside the list, and an unfinished one at its end, are not updates.
  Installation j;
  ApplyApplicationConfig(
      "<Update><Name>Stray</Name></Update><Updates><Update><Name>Kept</Name></Update>"
      "<Update><Name>Cut</Name></Updates>",
      j);
  ASSERT_EQ(j.InstalledUpdates.size(), 1u);
  EXPECT_EQ(j.InstalledUpdates[0].name, "KEPT");
}

TEST(SageUsr, EditionsCountsAndShortFiles) {
  const struct {
    uint8_t byte;
    const char *file, *code, *name;
  } kEditions[] = {{1, "sage.usr", "FC", "Financial Controller"},
                   {32, "CIS.usr", "CI", "CIS Module"},
                   {32, "sage.usr", "32", "Unidentified 32"}};
  for (const auto& e : kEditions) {
    fixtures::SageUsrContents recipe;
    recipe.editionByte = e.byte;
    recipe.users = 0x0102;  // both bytes count
    recipe.companies = 65535;
    BufferByteSource file(fixtures::BuildSageUsr(recipe));
    const SageUsr usr = ReadSageUsrBytes(file, e.file);
    EXPECT_EQ(usr.editionCode + " " + usr.editionName, std::string(e.code) + " " + e.name);
    EXPECT_EQ(usr.userCount, 258u);
    EXPECT_EQ(usr.companyCount, 65535u);
  }
  std::vector<uint8_t> bytes = fixtures::BuildSageUsr({});
  bytes.resize(27);
  BufferByteSource shortFile(bytes);
  EXPECT_FALSE(ReadSageUsrBytes(shortFile, "sage.usr").read);
  EXPECT_EQ(RenameEditionForYear("Financial Controller", 14), "Accounts Professional");
  EXPECT_EQ(RenameEditionForYear("Accountant", 13), "Accountant");
}

}  // namespace
}  // namespace lw
