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

using fixtures::ClearSettings;
using fixtures::RawValue;
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
  static std::string ErrorOf(Call call) {
    try {
      call();
    } catch (const RuntimeError& e) {
      return Format("%s %08X", e.what(), e.Number());
    }
    return "no error";
  }
};

TEST_F(SettingsStore, ReadsFallBackFromTheUserToTheSharedSectionAndTheMachineAndCopyDown) {
  EXPECT_EQ(GetAppSetting("FirstRun", "Y"), "Y");
  EXPECT_EQ(GetGlobalSetting("NoInternet", "N"), "N");
  EXPECT_FALSE(ReadRaw(HKEY_CURRENT_USER, kUserApp, "FirstRun").present) << "a default is not written";

  WriteMachineString(kCompanyName, "Ledgerwell", "DataPath", "c:\\data\\accdata");
  EXPECT_EQ(GetAppSetting("DataPath", ""), "c:\\data\\accdata");
  RawValue copied = ReadRaw(HKEY_CURRENT_USER, kUserApp, "DataPath");
  EXPECT_EQ(copied.type, DWORD(REG_SZ));
  EXPECT_EQ(copied.text(), "c:\\data\\accdata");
  // The next read is a plain user-store hit, even with the machine copy gone.
  ClearSettings(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(GetAppSetting("DataPath", ""), "c:\\data\\accdata");

  // The application reads the shared section; the shared reads never the application's.
  SaveSetting(kCompanyName, "GlobalSettings", "NoInternet", "Y");
  EXPECT_EQ(GetAppSetting("NoInternet", "N"), "Y");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "NoInternet").text(), "Y");
  WriteMachineString(kCompanyName, "GlobalSettings", "Region", "AU");
  EXPECT_EQ(GetAppSetting("Region", ""), "AU");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserGlobal, "Region").text(), "AU");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "Region").text(), "AU");
  SaveSetting(kCompanyName, "Ledgerwell", "Offline", "Y");
  EXPECT_EQ(GetGlobalSetting("Offline", "N"), "N");
  WriteMachineString(kCompanyName, "GlobalSettings", "Offline", "Y");
  EXPECT_EQ(GetGlobalSetting("Offline", "N"), "Y");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserGlobal, "Offline").text(), "Y");

  // The sentinel text reads as missing.
  SaveSetting(kCompanyName, "Ledgerwell", "NewRssVer", kSettingNotFound);
  WriteMachineString(kCompanyName, "Ledgerwell", "NewRssVer", "18.0.30");
  EXPECT_EQ(GetAppSetting("NewRssVer", ""), "18.0.30");
  SaveSetting(kCompanyName, "Ledgerwell", "NewRssVer", kSettingNotFound);
  WriteMachineString(kCompanyName, "Ledgerwell", "NewRssVer", kSettingNotFound);
  EXPECT_EQ(GetAppSetting("NewRssVer", "none"), "none");
}

TEST_F(SettingsStore, SavesReachTheStoresTheirKindNamesAndMachineStringsKeepTheirNul) {
  SaveAppSetting("LastVerCheck", "2026-12-06");
  SaveUserSetting("Password", "secret");
  SaveGlobalSetting("NoInternet", "Y");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "LastVerCheck").text(), "2026-12-06");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "LastVerCheck").text(), "2026-12-06");
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "Password").text(), "secret");
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Password").present);
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserGlobal, "NoInternet").text(), "Y");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kMachineGlobal, "NoInternet").text(), "Y");

  // Machine strings are stored with their NUL and read with or without one.
  WriteMachineString(kCompanyName, "Ledgerwell", "DataPath", "abc");
  EXPECT_EQ(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "DataPath").bytes, std::string("abc\0", 4));
  EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "DataPath", "x"), "abc");
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
    EXPECT_EQ(GetAppSetting("DataPath", ""), "c:\\after");
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
  EXPECT_FALSE(ReadRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Password").present) << "never mirrored";

  // An earlier version's clear text is read, then kept protected.
  SaveUserSetting("Password", "old pass");
  EXPECT_EQ(GetPasswordSetting(), "old pass");
  const std::string rewritten = ReadRaw(HKEY_CURRENT_USER, kUserApp, "Password").text();
  EXPECT_TRUE(rewritten.starts_with("Protected:")) << rewritten;
  EXPECT_EQ(GetPasswordSetting(), "old pass");

  // One this user cannot unprotect reads as no password, not as its protected form.
  std::string damaged = rewritten;
  damaged.back() = damaged.back() == '0' ? '1' : '0';  // in its signature
  for (const std::string& bad : {damaged, std::string("Protected:"), std::string("Protected:xyz")}) {
    SaveUserSetting("Password", bad);
    EXPECT_EQ(GetPasswordSetting(), "") << bad;
  }
  EXPECT_TRUE(SavePasswordSetting(""));
  EXPECT_EQ(ReadRaw(HKEY_CURRENT_USER, kUserApp, "Password").text(), "");
}

TEST_F(SettingsStore, MachineStringEdgeCasesAndErrors) {
  const std::string key = "SOFTWARE\\Sage\\Line 50\\LastInstallPath";
  WriteRaw(HKEY_LOCAL_MACHINE, key, "", REG_SZ, std::string("C:\\Sage\\", 9));
  EXPECT_EQ(ReadMachineString("Sage", "Line 50\\LastInstallPath", "(Default)", "none"), "C:\\Sage\\");
  EXPECT_EQ(ReadMachineString(" Sage ", "Line 50\\LastInstallPath", "(DEFAULT)", "none"), "C:\\Sage\\");

  WriteRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Empty", REG_SZ, std::string());
  EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "Empty", "default"), "");
  EXPECT_EQ(ReadMachineString(kCompanyName, "Ledgerwell", "Absent", "default"), "default");
  EXPECT_EQ(ReadMachineString(kCompanyName, "NoSuchSection", "Absent", "default"), "default");

  WriteRaw(HKEY_LOCAL_MACHINE, kMachineApp, "Number", REG_DWORD, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(ErrorOf([] { ReadMachineString(kCompanyName, "Ledgerwell", "Number", ""); }),
            Format("Registry data not a string %08X", 0x800407d0u + REG_DWORD));
  // A setting read never fails: the unreadable machine value counts as missing.
  EXPECT_EQ(GetAppSetting("Number", "fallback"), "fallback");

  // Empty names raise their own errors.
  EXPECT_TRUE(ErrorOf([] { ReadMachineString(" ", "s", "k", ""); }).ends_with(" 800403E8"));
  EXPECT_TRUE(ErrorOf([] { ReadMachineString("a", "", "k", ""); }).ends_with(" 800403E9"));
  EXPECT_TRUE(ErrorOf([] { WriteMachineString("a", "s", "  ", "v"); }).ends_with(" 800403EA"));
  EXPECT_TRUE(ErrorOf([] { ReadSystemDword("a", "s", "", 0); }).ends_with(" 800403EA"));
}

TEST_F(SettingsStore, SystemDwordsRoundTripAndRejectOtherTypes) {
  const std::string app = "CurrentControlSet\\Services";
  const std::string section = "LedgerwellTest\\Parameters";
  EXPECT_EQ(ReadSystemDword(app, section, "EnableOplocks", 7), 7u);
  WriteSystemDword(app, section, "EnableOplocks", 0xFFFFFFFF);
  EXPECT_EQ(ReadSystemDword(app, section, "EnableOplocks", 7), 0xFFFFFFFFu);
  WriteRaw(HKEY_LOCAL_MACHINE, "SYSTEM\\" + app + "\\" + section, "Text", REG_SZ, std::string("1\0", 2));
  EXPECT_TRUE(
      ErrorOf([&] { ReadSystemDword(app, section, "Text", 0); }).ends_with(Format(" %08X", 0x800407d0u + REG_SZ)));
  // Present or not, and removed again; removing what is not there is no error.
  EXPECT_EQ(QuerySystemDword(app, section, "EnableOplocks"), std::optional<uint32_t>(0xFFFFFFFF));
  DeleteSystemValue(app, section, "EnableOplocks");
  EXPECT_EQ(QuerySystemDword(app, section, "EnableOplocks"), std::nullopt);
  DeleteSystemValue(app, section, "EnableOplocks");
  DeleteSystemValue(app, "NoSuchKey", "EnableOplocks");
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\LedgerwellTest");
}

}  // namespace
}  // namespace lw
