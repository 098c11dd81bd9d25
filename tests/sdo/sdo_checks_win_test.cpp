#include "app/sdo/sdo_checks_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/tools/files_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class SdoChecks : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::ResetProgramState(); }
  void TearDown() override { fixtures::ResetProgramState(); }
};

TEST_F(SdoChecks, EngineFileInTheSystemFolderAndItsVersion) {
  EXPECT_EQ(SdoDllPath("12"), GetSystemFolder() + "\\sdoeng120.dll");
  EXPECT_EQ(SdoDllPath("13"), GetSystemFolder() + "\\sg50sdoengine130.dll");
  EXPECT_EQ(GetSdoDllVersion("18"), "");

  fixtures::SageInstallation recipe;
  recipe.sdoVersion = "18.0.10.208";
  recipe.writeSageIni = recipe.writeSageUsr = recipe.writeApplicationConfig = false;
  fixtures::WriteSageInstallation(recipe);
  EXPECT_EQ(GetSdoDllVersion("18"), "18.0.10.208");
  EXPECT_EQ(GetSdoDllVersion("17"), "");
}

TEST_F(SdoChecks, ProgramFolderFromTheClassRegistration) {
  fixtures::ScratchFolder dir;
  fixtures::SageInstallation recipe;
  recipe.dataVersion = 16;
  recipe.programFolder = dir.Win("Sage\\Accounts");
  recipe.writeSageIni = recipe.writeSageUsr = recipe.writeApplicationConfig = false;
  fixtures::WriteSageInstallation(recipe);
  EXPECT_EQ(GetProgramFolderFromClsid("16", "A+"), dir.Win("Sage\\Accounts"));
  // Instant 16 shares the class of the full program; Instant 13 has none.
  EXPECT_EQ(GetProgramFolderFromClsid("16", "IA"), dir.Win("Sage\\Accounts"));
  EXPECT_EQ(GetProgramFolderFromClsid("13", "IA"), "");
  EXPECT_EQ(GetProgramFolderFromClsid("18", "A+"), "");
}

TEST_F(SdoChecks, RegistrationThatIsNotAUsablePathGivesNothing) {
  const std::string key = "CLSID\\{F60C0F39-A2B3-4076-8846-B513D0090899}\\InprocServer32";
  fixtures::WriteRaw(HKEY_CLASSES_ROOT, key, "", REG_EXPAND_SZ, std::string("C:\\Sage\\sg50svc.dll", 20));
  EXPECT_EQ(GetProgramFolderFromClsid("18", "A+"), "");
  fixtures::WriteRaw(HKEY_CLASSES_ROOT, key, "", REG_SZ, std::string("sg50svc.dll", 12));
  EXPECT_EQ(GetProgramFolderFromClsid("18", "A+"), "");
  fixtures::WriteRaw(HKEY_CLASSES_ROOT, key, "", REG_SZ, "");
  EXPECT_EQ(GetProgramFolderFromClsid("18", "A+"), "");
  // Stored without a terminating NUL: the whole text counts.
  fixtures::WriteRaw(HKEY_CLASSES_ROOT, key, "", REG_SZ, "C:\\Sage\\x.dll");
  EXPECT_EQ(GetProgramFolderFromClsid("18", "A+"), "C:\\Sage");
}

}  // namespace
}  // namespace lw
