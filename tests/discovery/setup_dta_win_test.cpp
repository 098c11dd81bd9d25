// The setup.dta checks against real data folders and the installed engine. The rules themselves
// are the native tables' (SetupDta, DataVersionRules, SdoVersionRules); here, their wiring.
#include "app/discovery/setup_dta_win.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/forms/forms_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/state/app_state.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class SetupChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    previous_ = forms::SetMsgBoxHandler([this](const std::string& text, unsigned style, const std::string& title) {
      shown_.push_back(title + "|" + std::to_string(style) + "|" + text);
      return 1;
    });
  }
  void TearDown() override {
    forms::SetMsgBoxHandler(previous_);
    fixtures::ResetProgramState();
  }
  static void InstallEngine(int version, const std::string& sdo) {
    fixtures::SageInstallation recipe;
    recipe.dataVersion = version;
    recipe.sdoVersion = sdo;
    recipe.writeSageIni = recipe.writeSageUsr = recipe.writeApplicationConfig = false;
    fixtures::WriteSageInstallation(recipe);
  }
  fixtures::ScratchFolder dir_;
  std::vector<std::string> shown_;  // every message box: "title|style|text"
  forms::MsgBoxHandler previous_;
};

TEST_F(SetupChecks, CompanyDetailsAndTheSupportedVersionComeFromTheDataFolder) {
  fixtures::SetupDta recipe;
  recipe.dataVersion = 17;
  EXPECT_EQ(ReadCompanyDetails(fixtures::WriteDataFolder(dir_.Path("Co1"), recipe).string()),
            "Unit 4 Mill Lane^Wickham^Hampshire^PO17 5AB");
  EXPECT_EQ(lw::Setup.CompanyTelephone, "01329 555 0192");
  EXPECT_EQ(lw::Setup.CompanyVatNumber, "GB 123 4567 89");
  EXPECT_EQ(lw::Setup.CompanyEmail, "accounts@wickhamjoinery.example");
  // Another folder without setup.dta leaves nothing of the last company behind.
  EXPECT_EQ(ReadCompanyDetails(dir_.Win()), "");
  EXPECT_EQ(lw::Setup.CompanyTelephone, "");
  EXPECT_EQ(lw::Setup.CompanyVatNumber, "");
  EXPECT_EQ(lw::Setup.CompanyEmail, "");

  recipe.dataVersion = 14;
  recipe.programType = fixtures::kInstantAccounts;
  App.DataVersion = GetDataVersion(fixtures::WriteDataFolder(dir_.Path("Instant"), recipe).string());
  EXPECT_FALSE(IsDataVersionSupported());
  EXPECT_EQ(lw::Sdo.SdoErrorText, "Instant v14 is not supported");
  recipe.dataVersion = 18;
  App.DataVersion = GetDataVersion(fixtures::WriteDataFolder(dir_.Path("Good"), recipe).string());
  lw::Sdo.SdoErrorText = "";
  EXPECT_TRUE(IsDataVersionSupported());
  EXPECT_EQ(lw::Sdo.SdoErrorText, "");
  EXPECT_TRUE(shown_.empty());
}

// The installed engine's file is judged, for Instant data by its own row, and the verdict's box is
// shown.
TEST_F(SetupChecks, TheInstalledEnginesVersionIsJudgedAndItsMessageShown) {
  EXPECT_FALSE(CheckSdoVersion("18"));
  InstallEngine(18, "17.0.12.196");
  EXPECT_TRUE(CheckSdoVersion("18"));
  InstallEngine(18, "18.0.10.208");
  EXPECT_FALSE(CheckSdoVersion("18"));
  InstallEngine(15, "15.1.18.190");  // right for the full program, not for Instant
  EXPECT_FALSE(CheckSdoVersion("15"));
  lw::Setup.ProgramType = "IA";
  EXPECT_TRUE(CheckSdoVersion("15"));
  EXPECT_EQ(shown_, (std::vector<std::string>{
                        "SDO Not Found|16|The Sage v18 SDO has not been installed on this computer",
                        "Bad SDO Version|16|Your Sage SDO is v17.0.12.196 and needs to be updated to v18.0.10.208",
                        "Bad SDO Version|16|Your Sage SDO is v15.1.18.190 and needs to be v15.0.10.10 in order to "
                        "work with Sage Instant"}));
}

}  // namespace
}  // namespace lw
