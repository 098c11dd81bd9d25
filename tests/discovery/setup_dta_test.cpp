#include "app/discovery/setup_dta.h"

#include <gtest/gtest.h>

#include "app/discovery/sage_ini.h"
#include "tests/fixtures/sage_data.h"

namespace lw {
namespace {

using fixtures::BuildSetupDta;
using fixtures::SetupDta;

BufferByteSource Source(const SetupDta& recipe) { return BufferByteSource(BuildSetupDta(recipe)); }

TEST(SetupDta, EveryKnownVersionGivesItsProgramType) {
  const struct {
    uint8_t byte;
    const char* code;
  } kTypes[] = {{1, "FC"}, {2, "A+"}, {4, "AC"}, {16, "IA"}, {64, "IP"}, {128, "CM"}, {32, "32"}, {0, "0"}};
  for (int v = 7; v <= 18; ++v) {
    for (auto t : kTypes) {
      SetupDta recipe;
      recipe.dataVersion = uint8_t(v);
      recipe.programType = t.byte;
      recipe.filler = 0xEE;  // a reader looking at the wrong offset sees 238
      auto source = Source(recipe);
      SetupDataVersion read = ReadSetupDataVersion(source);
      EXPECT_EQ(read.dataVersion, std::to_string(v));
      EXPECT_EQ(read.programType, t.code) << "version " << v;
    }
  }
}

TEST(SetupDta, VersionsOutsideTheTableHaveNoProgramType) {
  for (uint8_t v : {uint8_t(6), uint8_t(19), uint8_t(255)}) {
    SetupDta recipe;
    recipe.dataVersion = v;
    auto source = Source(recipe);
    SetupDataVersion read = ReadSetupDataVersion(source);
    EXPECT_EQ(read.dataVersion, std::to_string(v));
    EXPECT_EQ(read.programType, "");
  }
  SetupDta zero;
  zero.dataVersion = 0;
  auto source = Source(zero);
  EXPECT_EQ(ReadSetupDataVersion(source).dataVersion, "");
}

TEST(SetupDta, CompanyNameEndsAtNulOrAfter61BytesAndIsTrimmed) {
  SetupDta recipe;
  recipe.companyName = "  Wickham Joinery Ltd  ";
  auto padded = Source(recipe);
  EXPECT_EQ(ReadSetupCompanyName(padded), "Wickham Joinery Ltd");

  recipe.companyName = std::string(61, 'N');
  recipe.nameWithoutNul = true;
  recipe.filler = 'X';  // byte 64 onwards is the address: must not run into the name
  recipe.addressLines = {"Street"};
  auto full = Source(recipe);
  EXPECT_EQ(ReadSetupCompanyName(full), std::string(61, 'N'));

  recipe.companyName = "";
  recipe.nameWithoutNul = false;
  auto empty = Source(recipe);
  EXPECT_EQ(ReadSetupCompanyName(empty), "");
}

TEST(SetupDta, TruncatedAndEmptyFilesReadAsNothing) {
  BufferByteSource empty({});
  EXPECT_EQ(ReadSetupCompanyName(empty), "");
  EXPECT_EQ(ReadSetupDataVersion(empty).dataVersion, "");

  std::vector<uint8_t> bytes = BuildSetupDta(SetupDta{});
  bytes.resize(10);  // version and the start of the name only
  BufferByteSource shortFile(bytes);
  EXPECT_EQ(ReadSetupCompanyName(shortFile), "Wickham");
  SetupDataVersion v = ReadSetupDataVersion(shortFile);
  EXPECT_EQ(v.dataVersion, "18");
  EXPECT_EQ(v.programType, "");
}

TEST(SetupDta, CompanyDetailsComeFromTheBlockOfEachVersion) {
  for (int v = 7; v <= 18; ++v) {
    SetupDta recipe;
    recipe.dataVersion = uint8_t(v);
    recipe.filler = 'Z';  // fields read from the wrong block or without their NUL show Zs
    recipe.addressLines = {"  Unit 4 ^Mill Lane ", "", "Wickham", "   ", std::string(61, 'H')};
    recipe.telephone = " 01329 555 0192 ";
    recipe.vatNumber = std::string(31, '9');  // fills its field: ends at the width, not at a NUL
    recipe.email = "accounts@wickhamjoinery.example";
    auto source = Source(recipe);
    CompanyDetails d = ReadSetupCompanyDetails(source);
    EXPECT_EQ(d.address, "Unit 4 Mill Lane^Wickham^" + std::string(61, 'H')) << "version " << v;
    EXPECT_EQ(d.telephone, "01329 555 0192") << "version " << v;
    EXPECT_EQ(d.vatNumber, std::string(31, '9')) << "version " << v;
    EXPECT_EQ(d.email, "accounts@wickhamjoinery.example") << "version " << v;
  }
}

TEST(SetupDta, UnknownVersionsGiveOnlyTheAddressAndShortFilesWhatTheyHold) {
  SetupDta recipe;
  recipe.dataVersion = 19;
  std::vector<uint8_t> bytes = BuildSetupDta(recipe);
  // Where version 18 keeps its details: a reader that guesses would find them.
  bytes.resize(6565 + 801);
  std::copy_n("01329 1", 8, bytes.begin() + 6565);
  BufferByteSource unknown(bytes);
  CompanyDetails d = ReadSetupCompanyDetails(unknown);
  EXPECT_EQ(d.address, "Unit 4 Mill Lane^Wickham^Hampshire^PO17 5AB");
  EXPECT_EQ(d.telephone, "");
  EXPECT_EQ(d.email, "");

  recipe.dataVersion = 18;
  bytes = BuildSetupDta(recipe);
  bytes.resize(6565 + 5);  // the telephone cut short, no NUL, nothing after it
  BufferByteSource cut(bytes);
  d = ReadSetupCompanyDetails(cut);
  EXPECT_EQ(d.telephone, "01329");
  EXPECT_EQ(d.vatNumber, "");
  EXPECT_EQ(d.email, "");

  bytes.resize(70);  // inside the first address line
  BufferByteSource tiny(bytes);
  EXPECT_EQ(ReadSetupCompanyDetails(tiny).address, "Unit 4");
  BufferByteSource empty({});
  EXPECT_EQ(ReadSetupCompanyDetails(empty).address, "");
}

TEST(SageIni, LastDataPathLineInAnyCaseGivesTheAccdataFolder) {
  fixtures::SageIni ini;
  ini.lastDataPath = "C:\\Data\\Co1";
  EXPECT_EQ(LastDataPathFromSageIni(fixtures::BuildSageIni(ini)), "c:\\data\\co1\\accdata\\");
  ini.keyCase = "LASTDATAPATH";
  ini.lastDataPath = "\\\\Server\\Sage\\Company.000\\";
  EXPECT_EQ(LastDataPathFromSageIni(fixtures::BuildSageIni(ini)), "\\\\server\\sage\\company.000\\accdata\\");
}

TEST(SageIni, FirstMatchingLineWinsAndMissingOrEmptyValuesGiveNothing) {
  EXPECT_EQ(LastDataPathFromSageIni("  lastdatapath=d:\\a  \nlastdatapath=d:\\b\n"), "d:\\a\\accdata\\");
  EXPECT_EQ(LastDataPathFromSageIni("[x]\r\nlastdatapath=\r\n"), "");
  EXPECT_EQ(LastDataPathFromSageIni("mylastdatapath=d:\\x\r\n"), "");
  EXPECT_EQ(LastDataPathFromSageIni(fixtures::BuildSageIni({})), "");
  EXPECT_EQ(LastDataPathFromSageIni(""), "");
  EXPECT_EQ(LastDataPathFromSageIni("lastdatapath=e:\\co"), "e:\\co\\accdata\\");
}

}  // namespace
}  // namespace lw
