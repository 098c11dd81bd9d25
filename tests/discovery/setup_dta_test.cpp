#include "app/discovery/setup_dta.h"

#include <gtest/gtest.h>

#include "app/discovery/sage_ini.h"
#include "app/discovery/version_rules.h"
#include "tests/fixtures/sage_data.h"

namespace lw {
namespace {

using fixtures::BuildSetupDta;
using fixtures::SetupDta;

// Fields read from the wrong offset or without their NUL show the filler's Zs.
TEST(SetupDta, EachVersionReadsItsProgramTypeAndDetailsAtItsOwnOffsets) {
  const std::pair<uint8_t, const char*> kTypes[] = {{1, "FC"},  {2, "A+"},   {4, "AC"},  {16, "IA"},
                                                    {64, "IP"}, {128, "CM"}, {32, "32"}, {0, "0"}};
  for (int v = 7; v <= 18; ++v) {
    SCOPED_TRACE(v);
    SetupDta recipe;
    recipe.dataVersion = uint8_t(v);
    recipe.programType = kTypes[v % 8].first;
    recipe.filler = 'Z';
    recipe.companyName = "  " + std::string(59, 'N');  // 61 bytes without a NUL, trimmed
    recipe.nameWithoutNul = true;
    recipe.addressLines = {"  Unit 4 ^Mill Lane ", "", "Wickham", "   ", std::string(61, 'H')};
    recipe.telephone = " 01329 555 0192 ";
    recipe.vatNumber = std::string(31, '9');  // fills its field: ends at the width, not at a NUL
    BufferByteSource source(BuildSetupDta(recipe));
    const SetupDataVersion read = ReadSetupDataVersion(source);
    EXPECT_EQ(read.dataVersion, std::to_string(v));
    EXPECT_EQ(ReadSetupCompanyName(source), std::string(59, 'N')) << "must not run into the address at byte 64";
    EXPECT_EQ(read.programType, kTypes[v % 8].second);
    const CompanyDetails d = ReadSetupCompanyDetails(source);
    EXPECT_EQ(d.address, "Unit 4 Mill Lane^Wickham^" + std::string(61, 'H'));
    EXPECT_EQ(d.telephone, "01329 555 0192");
    EXPECT_EQ(d.vatNumber, std::string(31, '9'));
    EXPECT_EQ(d.email, "accounts@wickhamjoinery.example");
  }
}

TEST(SetupDta, UnknownVersionsAndShortFilesGiveOnlyWhatTheyHold) {
  SetupDta recipe;
  recipe.dataVersion = 19;
  std::vector<uint8_t> bytes = BuildSetupDta(recipe);
  // Where version 18 keeps its details: a reader that guesses would find them.
  bytes.resize(6565 + 801);
  std::copy_n("01329 1", 8, bytes.begin() + 6565);
  BufferByteSource unknown(bytes);
  EXPECT_EQ(ReadSetupDataVersion(unknown).programType, "");
  EXPECT_EQ(ReadSetupCompanyDetails(unknown).address, "Unit 4 Mill Lane^Wickham^Hampshire^PO17 5AB");
  EXPECT_EQ(ReadSetupCompanyDetails(unknown).telephone, "");

  bytes = BuildSetupDta(SetupDta{});
  bytes.resize(6565 + 5);  // the telephone cut short, no NUL, nothing after it
  BufferByteSource cut(bytes);
  EXPECT_EQ(ReadSetupCompanyDetails(cut).telephone, "01329");
  bytes.resize(70);  // inside the first address line, after the version and the name
  BufferByteSource tiny(bytes);
  EXPECT_EQ(ReadSetupCompanyDetails(tiny).address, "Unit 4");
  EXPECT_EQ(ReadSetupCompanyName(tiny), "Wickham Joinery Ltd");

  BufferByteSource empty({});
  EXPECT_EQ(ReadSetupDataVersion(empty).dataVersion, "");
  recipe.dataVersion = 0;
  BufferByteSource zero(BuildSetupDta(recipe));
  EXPECT_EQ(ReadSetupDataVersion(zero).dataVersion, "");
}

TEST(SageIni, TheFirstLastDataPathLineInAnyCaseGivesTheAccdataFolder) {
  fixtures::SageIni ini{"\\\\Server\\Sage\\Company.000\\", "LASTDATAPATH", {}};
  const std::pair<std::string, const char*> kCases[] = {
      {fixtures::BuildSageIni(ini), "\\\\server\\sage\\company.000\\accdata\\"},
      {"  lastdatapath=d:\\a  \nlastdatapath=d:\\b\n", "d:\\a\\accdata\\"},
      {"mylastdatapath=d:\\x\r\n", ""},
  };
  for (const auto& [text, path] : kCases) EXPECT_EQ(LastDataPathFromSageIni(text), path) << text;
}

TEST(DataVersionRules, SupportedRangeAndTheFourRefusals) {
  const struct {
    const char *version, *type;
    int newest;
    const char* why;  // empty: supported
  } kCases[] = {
      {"19", "AC", 19, ""},  // the newest version is the program's own major version
      {"6", "FC", 18, "Sage Line 50 v6 is not supported"},
      {"19", "", 18, "Sage 50 v19 is not supported yet"},
      {"14", "IA", 18, "Instant v14 is not supported"},
      {"19", "IA", 18, "Instant v19 is not supported yet"},
  };
  for (const auto& c : kCases) {
    std::string why = "untouched";
    EXPECT_EQ(JudgeDataVersion(c.version, c.type, c.newest, why), !*c.why) << c.version << " " << c.type;
    EXPECT_EQ(why, *c.why ? c.why : "untouched") << c.version << " " << c.type;
  }
}

// Each row's minimum is good and the build just below it is not; the fields are compared as numbers
// (18.0.9.999 is below 18.0.10.208).
TEST(SdoVersionRules, EachDataVersionHasItsMinimumAndItsMessage) {
  const struct {
    const char *data, *sdo;
    bool instant, mustUpdate, shown;
    unsigned style;
    const char* text;  // after "Your Sage SDO is v<sdo>" when there is an engine
  } kRows[] = {
      {"12", "12.0.1.60", false, false, false, 0, ""},
      {"12", "12.0.1.59", false, true, true, 16, " and needs to be updated to v12.0.1.60"},
      {"14", "14.0.16.300", false, true, true, 16, " and needs to be updated to at least v14.0.17.157"},
      {"14", "14.0.20.1", false, false, true, 48, " and should be updated to v14.1.26.246"},
      {"15", "15.1.18.189", false, false, true, 48, " and should be updated to v15.1.18.190 by installing Update 1"},
      // Instant 15 wants exactly its own build.
      {"15", "15.1.18.190", true, true, true, 16, " and needs to be v15.0.10.10 in order to work with Sage Instant"},
      {"18", "18.0.9.999", false, true, true, 16, " and needs to be updated to v18.0.10.208"},
      {"16", "", false, false, true, 16, "The Sage v16 SDO has not been installed on this computer"},
      {"19", "1.0.0.0", false, false, false, 0, ""},  // no row: nothing to say
  };
  for (const auto& r : kRows) {
    SCOPED_TRACE(std::string(r.data) + " " + r.sdo);
    const SdoVersionVerdict v = JudgeSdoVersion(r.data, r.instant, r.sdo);
    EXPECT_EQ(v.mustUpdate, r.mustUpdate);
    EXPECT_EQ(v.showMessage, r.shown);
    if (!r.shown) continue;
    EXPECT_EQ(v.text, (*r.sdo ? "Your Sage SDO is v" + std::string(r.sdo) : "") + r.text);
    EXPECT_EQ(v.style, r.style);
    EXPECT_EQ(v.title, *r.sdo ? "Bad SDO Version" : "SDO Not Found");
  }
}

TEST(AccessMode, SuffixForEachActivityCode) {
  for (auto [code, suffix] : {std::pair{1, " (Maint)"}, {87, " (Config)"}, {7, ""}, {0, " (Settings)"}})
    EXPECT_EQ(AccessModeSuffix(code), suffix) << code;
}

}  // namespace
}  // namespace lw
