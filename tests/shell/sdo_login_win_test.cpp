// The log-in check of the main window against the stand-in engine: the ticks and crosses, the
// record count, the speed button, "LoginStatus" and the remembered data path.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/discovery/installation.h"
#include "app/forms/forms_win.h"
#include "app/sdo/sdo_session_win.h"
#include "app/shell/app_state.h"
#include "app/shell/frm_main_window_win.h"
#include "app/shell/settings_win.h"
#include "app/tools/paths.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

constexpr uint32_t kMagenta = 0xFF00FF;

class SdoLogin : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    App.ProgramCode = "A";
    Install = Installation{};
    fixtures::SageInstallation spec;
    spec.programFolder = dir.Win("Sage\\Accounts");
    spec.sageExeVersion = "18.0.10.208";
    fixtures::WriteSageInstallation(spec);
    fixtures::InstallSdoStandIn(18, "18.0.10.208");
    accdata = fixtures::WriteDataFolder(dir.Path("Wickham"), fixtures::SetupDta{});
    fixtures::WriteFile(accdata / "access.dta", fixtures::BuildAccessDta(18, {"JO"}));
    data.users = {{"MANAGER", ""}, {"JO", "secret"}};
    data.customers = {{"Acme Ltd", "AB"}, {"Bell & Co", "CD"}};
    data.nominals = {{"Sales", "1"}, {"Bank", "2"}, {"Rent", "3"}};
    data.splits = {{"Invoice 1"}};
  }
  void TearDown() override {
    form.reset();
    fixtures::ResetProgramState();
  }
  // Opens the window with the user name and password typed in, then the data folder.
  void Open(const std::string& user, const std::string& password) {
    fixtures::WriteSdoData(Path(), data);
    SaveUserSetting("UserCode", user);
    SaveUserSetting("Password", password);
    form = std::make_unique<frmMain>();
    form->Load();
    form->txtPath->SetText(Path());
  }
  std::string Path() const { return dir.Win("Wickham\\ACCDATA"); }
  std::string Text(const char* name) const {
    char buf[512] = {};
    GetWindowTextA(forms::FindControl(form->Hwnd(), name), buf, sizeof buf);
    return buf;
  }
  // The four marks as "cross(0) tick(0) cross(1) tick(1)", 1 for shown.
  std::string Marks() const {
    std::string m;
    for (int i = 0; i < 2; ++i)
      m += std::string(form->imgCross[i]->Visible() ? "1" : "0") + (form->imgTick[i]->Visible() ? "1" : "0");
    return m;
  }

  fixtures::ScratchFolder dir;
  std::filesystem::path accdata;
  fixtures::SdoData data;
  std::unique_ptr<frmMain> form;
};

TEST_F(SdoLogin, ASuccessfulLogInCountsTheTestsRecordsAndRemembersThePath) {
  Open("manager", "");
  EXPECT_EQ(Marks(), "0101");
  EXPECT_EQ(Text("lblRecs"), "Customer 2 Records");
  EXPECT_EQ(form->lblRecs->ForeColor(), 0u);
  EXPECT_TRUE(form->cmdSpeed->Enabled());
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "1 " + Path());
  EXPECT_EQ(GetAppSetting("DataPath", ""), Path());
  EXPECT_FALSE(Sdo.Connected) << "the check closes its session";

  // The engine is given the folder lower-cased with its backslash, and the program's connection name.
  std::vector<fixtures::SdoConnectCall> calls = fixtures::ReadSdoConnects(Path());
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().folder, NormaliseFolder(Path()));
  EXPECT_EQ(calls.back().user, "manager");
  EXPECT_EQ(calls.back().connectionName, "LINE50A");
  EXPECT_TRUE(calls.back().byReference);
  EXPECT_FALSE(calls.back().ui);

  // Each test counts its own records; one record is not plural.
  form->optTest[2]->onClick();
  EXPECT_EQ(Text("lblRecs"), "Nominal 3 Records");
  form->optTest[4]->onClick();
  EXPECT_EQ(Text("lblRecs"), "Split 1 Record");
  form->optTest[5]->onClick();
  EXPECT_EQ(Text("lblRecs"), "Customer 2 Records");
}

TEST_F(SdoLogin, UserNamesAreCheckedBeforeTheEngineIsAsked) {
  Open("", "");
  EXPECT_EQ(Marks(), "1010");
  EXPECT_EQ(Text("lblRecs"), "User Name Not Entered");
  EXPECT_EQ(form->lblRecs->ForeColor(), kMagenta);
  EXPECT_EQ(form->imgCross[1]->ToolTipText(), "User Name Not Entered");
  EXPECT_FALSE(form->cmdSpeed->Enabled());

  form->txtUser->SetText("zed");
  EXPECT_EQ(Marks(), "1010");
  EXPECT_EQ(Text("lblRecs"), "Invalid User Name");
  EXPECT_TRUE(fixtures::ReadSdoConnects(Path()).empty()) << "no log-in for an unknown user";
  EXPECT_EQ(GetAppSetting("LoginStatus", "none"), "none");

  // A user of access.dta, in any case, with the wrong password and then the right one.
  form->txtUser->SetText(" jo ");
  EXPECT_EQ(Marks(), "0110");
  EXPECT_EQ(Text("lblRecs"), "Invalid Password");
  EXPECT_EQ(form->imgCross[1]->ToolTipText(), "Invalid Password");
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "2 " + Path());
  EXPECT_EQ(GetAppSetting("UserCode", ""), "jo") << "a known user is stored even when the log-in fails";
  EXPECT_EQ(GetAppSetting("DataPath", "none"), "none");
  EXPECT_FALSE(form->cmdSpeed->Enabled());
  form->txtPw->SetText("secret");
  EXPECT_EQ(Marks(), "0101");
  EXPECT_EQ(GetPasswordSetting(), "secret");
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "1 " + Path());
}

TEST_F(SdoLogin, ManagerIsKnownWithoutAUserListAndEngineFailuresAreShown) {
  DeleteFileA((accdata / "access.dta").string().c_str());
  data.connectFails = true;
  data.connectErrorCode = 23;
  data.connectErrorText = "  Data is in use  ";
  Open("MaNaGeR", "");
  EXPECT_EQ(Marks(), "0110");
  EXPECT_EQ(Text("lblRecs"), "Data is in use");
  EXPECT_TRUE(form->cmdSpeed->Enabled()) << "code 23 leaves the speed test available";

  data.connectErrorCode = 31;
  data.connectErrorText = "";
  fixtures::WriteSdoData(Path(), data);
  form->txtPw->SetText("x");
  EXPECT_EQ(Text("lblRecs"), "Login Failed");
  EXPECT_FALSE(form->cmdSpeed->Enabled());
  EXPECT_EQ(GetAppSetting("LoginStatus", ""), "2 " + Path());
}

TEST_F(SdoLogin, WithoutTheEngineOrADataFolderNothingIsTried) {
  fixtures::RemoveSdoStandIns();
  Open("manager", "");
  EXPECT_EQ(Marks(), "0110");
  EXPECT_EQ(Text("lblRecs"), "The Sage v18 SDO is not installed on this computer");
  EXPECT_EQ(form->lblRecs->ForeColor(), kMagenta);
  EXPECT_FALSE(form->cmdSpeed->Enabled());
  EXPECT_EQ(GetAppSetting("LoginStatus", "none"), "none");

  form->txtPath->SetText(dir.Win());
  EXPECT_EQ(Marks(), "0000");
  EXPECT_EQ(Text("lblRecs"), "");
  EXPECT_EQ(form->lblRecs->ForeColor(), kMagenta);
}

}  // namespace
}  // namespace lw
