// The log-in check of the main window against the stand-in engine: what reaches the engine, the
// settings and the window. Which marks and texts each answer gives is decided by the portable
// view (main_view_test.cpp).
#include <windows.h>

#include <gtest/gtest.h>

#include "app/sdo/sdo_session_win.h"
#include "app/state/app_state.h"
#include "app/state/settings_win.h"
#include "app/tools/paths.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/sdo_standin_win.h"

namespace lw {
namespace {

class SdoLogin : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    App.ProgramCode = "A";
    data.users = {{"MANAGER", ""}, {"JO", "secret"}};
    data.customers = {{"Acme Ltd", "AB"}, {"Bell & Co", "CD"}};
    data.nominals = {{"Sales", "1"}, {"Bank", "2"}, {"Rent", "3"}};
    data.splits = {{"Invoice 1"}};
  }
  // Opens the window with the user name and password typed in, then the data folder.
  void OpenAs(const std::string& user, const std::string& password) {
    fixtures::WriteSageInstallation(recipe);
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    fixtures::WriteFile(fixtures::WriteDataFolder(dir.Path("Wickham"), setup) / "access.dta",
                        fixtures::BuildAccessDta(18, {"JO"}));
    fixtures::WriteSdoData(DataPath(), data);
    SaveUserSetting("UserCode", user);
    SaveUserSetting("Password", password);
    form = std::make_unique<frmMain>();
    form->Load();
    Analyse();
  }
  // The four marks as "cross(0) tick(0) cross(1) tick(1)", 1 for shown.
  std::string Marks() const {
    std::string m;
    for (int i = 0; i < 2; ++i)
      m += std::string(form->imgCross[i]->Visible() ? "1" : "0") + (form->imgTick[i]->Visible() ? "1" : "0");
    return m;
  }

  fixtures::SdoData data;
};

TEST_F(SdoLogin, ASuccessfulLogInCountsTheTestsRecordsAndRemembersThePath) {
  OpenAs("manager", "");
  EXPECT_EQ(Marks(), "0101");
  EXPECT_EQ(Text("lblRecs"), "Customer 2 Records");
  EXPECT_TRUE(form->cmdSpeed->Enabled());
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "1 " + DataPath());
  EXPECT_EQ(GetAppSetting("DataPath", ""), DataPath());
  EXPECT_FALSE(Sdo.Connected) << "the check closes its session";

  // The engine is given the folder lower-cased with its backslash, and the program's connection name.
  std::vector<fixtures::SdoConnectCall> calls = fixtures::ReadSdoConnects(DataPath());
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().folder, NormaliseFolder(DataPath()));
  EXPECT_EQ(calls.back().user, "manager");
  EXPECT_EQ(calls.back().connectionName, "LINE50A");
  EXPECT_TRUE(calls.back().byReference);
  EXPECT_FALSE(calls.back().ui);

  // Each test counts the records of its own object.
  form->optTest[2]->onClick();
  EXPECT_EQ(Text("lblRecs"), "Nominal 3 Records");
  form->optTest[4]->onClick();
  EXPECT_EQ(Text("lblRecs"), "Split 1 Record");
}

TEST_F(SdoLogin, RefusalsAskTheEngineOnlyForAKnownUserWhenItIsInstalledAndAreRecorded) {
  OpenAs("zed", "");
  EXPECT_EQ(Marks(), "1010");
  EXPECT_EQ(Text("lblRecs"), "Invalid User Name");
  EXPECT_TRUE(fixtures::ReadSdoConnects(DataPath()).empty()) << "no log-in for an unknown user";
  EXPECT_EQ(GetAppSetting("LoginStatus", "none"), "none");

  // A user of access.dta with the wrong password: the engine refuses, the user is still stored.
  form->txtUser->SetText(" jo ");
  EXPECT_EQ(Marks(), "0110");
  EXPECT_EQ(Text("lblRecs"), "Invalid Password");
  EXPECT_EQ(Sdo.SdoErrorText, "Invalid Password");
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "2 " + DataPath());
  EXPECT_EQ(GetAppSetting("UserCode", ""), "jo");
  EXPECT_EQ(GetAppSetting("DataPath", "none"), "none");
  form->txtPw->SetText("secret");
  EXPECT_EQ(Marks(), "0101");
  EXPECT_EQ(GetPasswordSetting(), "secret");
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "1 " + DataPath());

  // The engine's own text, trimmed.
  data.connectFails = true;
  data.connectErrorCode = 23;
  data.connectErrorText = "  Data is in use  ";
  fixtures::WriteSdoData(DataPath(), data);
  form->txtPw->SetText("secret ");
  EXPECT_EQ(Text("lblRecs"), "Data is in use");

  // Without the engine or a data folder nothing is tried.
  fixtures::RemoveSdoStandIns();
  SaveUserSetting("LoginStatus", "");
  form->txtUser->SetText("Manager");
  EXPECT_EQ(Marks(), "0110");
  EXPECT_EQ(Text("lblRecs"), "The Sage v18 SDO is not installed on this computer");
  EXPECT_FALSE(form->cmdSpeed->Enabled());
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "");

  form->txtPath->SetText(dir.Win());
  EXPECT_EQ(Marks(), "0000");
  EXPECT_EQ(Text("lblRecs"), "");
}

}  // namespace
}  // namespace lw
