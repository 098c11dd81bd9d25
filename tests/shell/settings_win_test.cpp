#include "app/state/settings_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/tools/text.h"
#include "common/product.h"
#include "common/runtime_error.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"

namespace lw {
namespace {

using fixtures::ReadRaw;
using fixtures::WriteRaw;

const std::string kUserApp = std::string("Software\\VB and VBA Program Settings\\") + kCompanyName + "\\Ledgerwell";
const std::string kUserGlobal =
    std::string("Software\\VB and VBA Program Settings\\") + kCompanyName + "\\GlobalSettings";
const std::string kMachineApp = std::string("SOFTWARE\\") + kCompanyName + "\\Ledgerwell";
const std::string kMachineGlobal = std::string("SOFTWARE\\") + kCompanyName + "\\GlobalSettings";

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { fixtures::ResetProgramState(); }
  void TearDown() override { fixtures::ResetProgramState(); }
  // The error a call raises as "text NUMBER", or "no error".
  template <typename Call>
  static std::string ErrorOf(Call call) try {
    call();
    return "no error";
  } catch (const RuntimeError& e) {
    return Format("%s %08X", e.what(), e.Number());
  }
};

TEST_F(SettingsStore, ReadsFallBackFromTheUserToTheSharedSectionAndTheMachineAndCopyDown) {
  EXPECT_EQ(GetAppSetting("FirstRun", "Y"), "Y");
  EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kUserApp, "FirstRun").present) << "a default is not written";

  WriteMachineString(kCompanyName, "Ledgerwell", "DataPath", "c:\\data\\accdata");
  EXPECT_EQ(GetAppSetting("DataPath", ""), "c:\\data\\accdata");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "DataPath").text(), "c:\\data\\accdata");

  // The application reads the shared section; the shared reads never the application's.
  WriteMachineString(kCompanyName, "GlobalSettings", "Region", "AU");
  EXPECT_EQ(GetAppSetting("Region", ""), "AU");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "Region").text(), "AU");
  SaveSetting(kCompanyName, "Ledgerwell", "Offline", "Y");
  EXPECT_EQ(GetGlobalSetting("Offline", "N"), "N");
  // The sentinel text reads as missing.
  SaveSetting(kCompanyName, "Ledgerwell", "NewRssVer", kSettingNotFound);
  WriteMachineString(kCompanyName, "Ledgerwell", "NewRssVer", "18.0.30");
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), "18.0.30");
}

TEST_F(SettingsStore, SavesReachTheStoresTheirKindNamesAndMachineStringsKeepTheirNul) {
  SaveAppSetting("LastVerCheck", "2026-12-06");
  SaveUserSetting("Password", "secret");
  SaveGlobalSetting("NoInternet", "Y");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "LastVerCheck").text() + "|" +
                ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "LastVerCheck").text(),
            "2026-12-06|2026-12-06");
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Password").present) << "the user's own";
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserGlobal, "NoInternet").text() + "|" +
                ReadRaw(HKEY_LOCAL_MACHINE, kMachineGlobal, "NoInternet").text(),
            "Y|Y");

  // Machine strings are stored with their NUL and read with or without one.
  WriteMachineString(kCompanyName, "Ledgerwell", "DataPath", "abc");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "DataPath").bytes, std::string("abc\0", 4));
  WriteRaw(HKEY_LOCAL_MACHINE, kMachineApp, "WithoutNul", REG_SZ, "abc");  // as earlier versions stored it
  EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "WithoutNul", "x"), "abc");
}

TEST_F(SettingsStore, RefusedWritesAreReportedAndASettingsSaveNeverStopsTheProgram) {
  SaveAppSetting("DataPath", "c:\\before");
  {
    // As for a user without the rights to the machine store: the user's own copy counts.
    fixtures::ReadOnlyKey machine(HKEY_LOCAL_MACHINE, kMachineApp);
    EXPECT_EQ(ErrorOf([] { WriteMachineString(kCompanyName, "Ledgerwell", "DataPath", "c:\\after"); }),
              "Could not open/create registry section 800407D5");
    EXPECT_TRUE(SaveAppSetting("DataPath", "c:\\after"));
    EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "DataPath", ""), "c:\\before");
  }
  {
    fixtures::ReadOnlyKey user(HKEY_CURRENT_USER, kUserApp);
    EXPECT_EQ(ErrorOf([] { SaveSetting(kCompanyName, "Ledgerwell", "DataPath", "c:\\later"); }),
              "Could not open/create registry section 800407D5");
    EXPECT_FALSE(SaveUserSetting("DataPath", "c:\\later"));
    EXPECT_FALSE(SaveAppSetting("DataPath", "c:\\later"));
    EXPECT_FALSE(SavePasswordSetting("secret"));
    // Nor does a read whose copy into the user store is refused.
    WriteMachineString(kCompanyName, "Ledgerwell", "NewRssVer", "18.0.30");
    EXPECT_EQ(GetAppSetting("NewRssVer", ""), "18.0.30");
  }
  EXPECT_EQ(GetAppSetting("DataPath", ""), "c:\\after") << "the user's own copy still counts";
  EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "DataPath", ""), "c:\\later") << "the mirror took it";
  EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kUserApp, "NewRssVer").present);
}

TEST_F(SettingsStore, ThePasswordIsKeptProtectedForTheUserAndAClearOneIsProtectedOnceRead) {
  EXPECT_TRUE(SavePasswordSetting("s3cret pass"));
  const std::string stored = ReadRaw(HKEY_CURRENT_USER, kUserApp, "Password").text();
  EXPECT_TRUE(stored.starts_with("Protected:")) << stored;
  EXPECT_EQ(stored.find("s3cret"), std::string::npos);
  EXPECT_EQ(GetPasswordSetting(), "s3cret pass");

  // An earlier version's clear text is read, then kept protected.
  SaveUserSetting("Password", "old pass");
  EXPECT_EQ(GetPasswordSetting(), "old pass");
  const std::string rewritten = ReadRaw(HKEY_CURRENT_USER, kUserApp, "Password").text();
  EXPECT_TRUE(rewritten.starts_with("Protected:")) << rewritten;

  // One this user cannot unprotect reads as no password, not as its protected form.
  std::string damaged = rewritten;
  damaged.back() = damaged.back() == '0' ? '1' : '0';  // in its signature
  SaveUserSetting("Password", damaged);
  EXPECT_EQ(GetPasswordSetting(), "");
}

// A value of another type raises its error; a setting read never fails, and takes it as missing.
TEST_F(SettingsStore, AMachineValueOfAnotherTypeIsAnErrorAndSettingsReadItAsMissing) {
  WriteRaw(HKEY_LOCAL_MACHINE, "SOFTWARE\\Sage\\Line 50\\LastInstallPath", "", REG_SZ, std::string("C:\\Sage\\", 9));
  EXPECT_EQ(ReadMachineString("Sage", "Line 50\\LastInstallPath", "(Default)", "none"), "C:\\Sage\\");
  WriteRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Number", REG_DWORD, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(ErrorOf([] { ReadMachineString(kCompanyName, "Ledgerwell", "Number", ""); }),
            Format("Registry data not a string %08X", 0x800407d0u + REG_DWORD));
  EXPECT_EQ(GetAppSetting("Number", "fallback"), "fallback");
  EXPECT_TRUE(ErrorOf([] { WriteMachineString("a", "s", "  ", "v"); }).ends_with(" 800403EA")) << "an empty name";
}

}  // namespace
}  // namespace lw
