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

struct Shown {
  std::string text;
  unsigned style;
  std::string title;
};

class SetupChecks : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    previous_ = forms::SetMsgBoxHandler([this](const std::string& text, unsigned style, const std::string& title) {
      shown_.push_back({text, style, title});
      return 1;
    });
  }
  void TearDown() override {
    forms::SetMsgBoxHandler(previous_);
    fixtures::ResetProgramState();
  }
  void InstallEngine(int version, const std::string& sdo) {
    fixtures::SageInstallation recipe;
    recipe.dataVersion = version;
    recipe.sdoVersion = sdo;
    recipe.writeSageIni = recipe.writeSageUsr = recipe.writeApplicationConfig = false;
    fixtures::WriteSageInstallation(recipe);
  }
  std::vector<Shown> shown_;
  forms::MsgBoxHandler previous_;
};

TEST_F(SetupChecks, CompanyDetailsFromTheDataFolder) {
  fixtures::ScratchFolder dir;
  fixtures::SetupDta recipe;
  recipe.dataVersion = 17;
  std::string data = fixtures::WriteDataFolder(dir.Path("Co1"), recipe).string();
  EXPECT_EQ(ReadCompanyDetails(data), "Unit 4 Mill Lane^Wickham^Hampshire^PO17 5AB");
  EXPECT_EQ(lw::Setup.CompanyTelephone, "01329 555 0192");
  EXPECT_EQ(lw::Setup.CompanyVatNumber, "GB 123 4567 89");
  EXPECT_EQ(lw::Setup.CompanyEmail, "accounts@wickhamjoinery.example");
  // Another folder without setup.dta leaves nothing of the last company behind.
  EXPECT_EQ(ReadCompanyDetails(dir.Win()), "");
  EXPECT_EQ(lw::Setup.CompanyTelephone, "");
  EXPECT_EQ(lw::Setup.CompanyVatNumber, "");
  EXPECT_EQ(lw::Setup.CompanyEmail, "");
}

TEST_F(SetupChecks, SupportedVersionJudgesTheDataRead) {
  fixtures::ScratchFolder dir;
  fixtures::SetupDta recipe;
  recipe.dataVersion = 14;
  recipe.programType = fixtures::kInstantAccounts;
  App.DataVersion = GetDataVersion(fixtures::WriteDataFolder(dir.Path("Instant"), recipe).string());
  EXPECT_FALSE(IsDataVersionSupported());
  EXPECT_EQ(lw::Sdo.SdoErrorText, "Instant v14 is not supported");

  recipe.dataVersion = 18;
  App.DataVersion = GetDataVersion(fixtures::WriteDataFolder(dir.Path("Good"), recipe).string());
  lw::Sdo.SdoErrorText = "";
  EXPECT_TRUE(IsDataVersionSupported());
  EXPECT_EQ(lw::Sdo.SdoErrorText, "");
  EXPECT_TRUE(shown_.empty());
}

// The verdicts themselves are the version rules' (SdoVersionRules); here, that the installed
// engine's file is judged, for Instant data by its own row, and the verdict's box is shown.
TEST_F(SetupChecks, TheInstalledEnginesVersionIsJudgedAndItsMessageShown) {
  EXPECT_FALSE(CheckSdoVersion("18"));
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "The Sage v18 SDO has not been installed on this computer");
  EXPECT_EQ(shown_[0].style, 16u);
  EXPECT_EQ(shown_[0].title, "SDO Not Found");

  InstallEngine(18, "17.0.12.196");
  EXPECT_TRUE(CheckSdoVersion("18"));
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1].text, "Your Sage SDO is v17.0.12.196 and needs to be updated to v18.0.10.208");
  EXPECT_EQ(shown_[1].title, "Bad SDO Version");
  InstallEngine(18, "18.0.10.208");
  EXPECT_FALSE(CheckSdoVersion("18"));
  EXPECT_EQ(shown_.size(), 2u);

  InstallEngine(15, "15.1.18.190");  // right for the full program, not for Instant
  EXPECT_FALSE(CheckSdoVersion("15"));
  lw::Setup.ProgramType = "IA";
  EXPECT_TRUE(CheckSdoVersion("15"));
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_EQ(shown_[2].text,
            "Your Sage SDO is v15.1.18.190 and needs to be v15.0.10.10 in order to work with Sage Instant");
}

}  // namespace
}  // namespace lw
