// The main window's fixes of the sharing values and the report temporary folder against the prefix's
// registry and real folders. Which values and paths they take: main_window_fixes_test.cpp.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/diagnostics/workstation_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"

namespace lw {
namespace {

const std::string kServer = "SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters";
const std::string kWorkstation = "SYSTEM\\CurrentControlSet\\Services\\LanManWorkstation\\Parameters";
const std::string kOdbc18 = "SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18";
const std::string kRefused = "Could not open/create registry section (error 800407D5)";
const std::string kTempSet = "Report Temp Folder Setup OK|64|Sage Reporting Temporary Files Folder set to:\r\n";
const std::string kNotADword = "Registry data not a DWORD (error 800407D1)";
const std::string kNotAdmin =
    "Windows Security Error|48|You must be logged on to Windows as an Administrator to use this ";
// The six sharing values: the oplock frame's two, then the signing frame's four.
const std::pair<std::string, std::string> kSharing[] = {
    {"SYSTEM\\CurrentControlSet\\Services\\MRXSmb\\Parameters", "OplocksDisabled"},
    {kServer, "EnableOplocks"},
    {kWorkstation, "EnableSecuritySignature"},
    {kWorkstation, "RequireSecuritySignature"},
    {kServer, "EnableSecuritySignature"},
    {kServer, "RequireSecuritySignature"}};

class MainWindowFixes : public fixtures::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    for (const auto& [key, name] : kSharing) fixtures::DeleteRaw(HKEY_LOCAL_MACHINE, key, name);
  }
  static void Set(size_t value, uint32_t number) {
    fixtures::WriteDword(HKEY_LOCAL_MACHINE, kSharing[value].first, kSharing[value].second, number);
  }
  // The six stored numbers: -1 for an absent value, -2 for one of another type.
  static std::vector<int64_t> Stored() {
    std::vector<int64_t> all;
    for (const auto& [key, name] : kSharing) all.push_back(fixtures::ReadDword(HKEY_LOCAL_MACHINE, key, name));
    return all;
  }
  // Caption and colour of a value label, as "1 - Enabled/magenta".
  std::string Shown(forms::Label* label) const { return label->Caption() + "/" + ColourName(label->ForeColor()); }
  std::vector<std::string> Signing() const {
    return {Shown(form->lblSMBwe), Shown(form->lblSMBwr), Shown(form->lblSMBse), Shown(form->lblSMBsr)};
  }
  // A fix pressed by an administrator or not, whose program may not write to `locked`, if given.
  void Fix(forms::CommandButton* fix, bool admin = true, const std::string* locked = nullptr) {
    Workstation.UserIsAdmin = admin;
    std::unique_ptr<fixtures::ReadOnlyKey> readOnly;
    if (locked) readOnly = std::make_unique<fixtures::ReadOnlyKey>(HKEY_LOCAL_MACHINE, *locked);
    Click(fix);
  }
  // The report temporary folder's frame at a glance: caption | text | colour | box | fix enabled.
  std::string TempFrame() const {
    return form->fraTemp->Caption() + "|" + form->txtTemp->Text() + "|" + ColourName(form->txtTemp->ForeColor()) + "|" +
           (form->txtTemp->Enabled() ? "box" : "no box") + "|" + (form->cmdTempFix->Enabled() ? "fix" : "no fix");
  }
  void FixTemp(const std::string& box, bool admin = true) {
    form->txtTemp->SetText(box);
    Fix(form->cmdTempFix, admin);
  }
  static fixtures::RawValue StoredTemp() { return fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname"); }

  // The sharing values as they were in the prefix come back afterwards; keys made here go again.
  fixtures::RestoredValues restore_{HKEY_LOCAL_MACHINE, {std::begin(kSharing), std::end(kSharing)}};
};

TEST_F(MainWindowFixes, EachSharingFixWritesOnlyTheWrongValuesForAnAdministratorAndTheFramesFollowTheRegistry) {
  Open();
  // Absent values read as defaults; the load handler has shown them before the window came up.
  EXPECT_EQ(Shown(form->lblEnOp), "1 - Enabled/blue");
  EXPECT_FALSE(form->cmdOpFix->Enabled());
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "1 - Enabled/magenta"));
  Fix(form->cmdSMBfix);
  EXPECT_EQ(Stored(), (std::vector<int64_t>{-1, -1, 0, 0, 0, 0})) << "the signing fix leaves the oplocks alone";
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "0 - Disabled/blue"));

  // Changed behind the window's back: leaving the busy state shows it.
  form->SetBusy(true);
  Set(1, 0);
  form->SetBusy(false);
  EXPECT_EQ(Shown(form->lblEnOp), "0 - Disabled/magenta");
  Fix(form->cmdOpFix, false);
  EXPECT_EQ(messages, std::vector<std::string>{kNotAdmin + "Button"});
  EXPECT_EQ(Stored()[1], 0);
  Fix(form->cmdOpFix);
  EXPECT_EQ(Stored(), (std::vector<int64_t>{-1, 1, 0, 0, 0, 0})) << "a good value is not written";
  EXPECT_EQ(Shown(form->lblEnOp), "1 - Enabled/blue");
  EXPECT_EQ(messages.size(), 1u) << "a fix that worked says nothing";
}

// A fix is whole or reported: it reads every value before it writes any, and a write refused (as
// for an administrator whose program runs without elevated rights) puts back what it had written.
TEST_F(MainWindowFixes, ASharingFixThatCannotReadOrWriteEveryValueLeavesTheRegistryAsItWas) {
  // A text where a number belongs: the store raises, the window must still open.
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kServer, "EnableOplocks", REG_SZ, std::string("1\0", 2));
  Set(0, 1);
  // The workstation's values are written first; the server's key then refuses. The workstation's
  // value that was there gets its number back, the one that was absent goes again.
  Set(2, 1);
  Set(4, 1);
  Open();
  EXPECT_EQ(Shown(form->lblEnOp), "Unreadable/magenta");
  EXPECT_EQ(form->lblEnOp->ToolTipText(), kNotADword);
  EXPECT_EQ(Shown(form->lblOpDis), "1 - Disabled/magenta") << "the other value is still shown";
  Fix(form->cmdOpFix);
  Fix(form->cmdSMBfix, true, &kServer);
  EXPECT_EQ(messages, (std::vector<std::string>{"Registry Error|16|" + kNotADword + "\r\nHKLM\\" + kServer +
                                                    "\\EnableOplocks\r\nNothing was changed.",
                                                "Registry Error|16|" + kRefused + "\r\nHKLM\\" + kServer +
                                                    "\\EnableSecuritySignature\r\nNothing was changed."}));
  EXPECT_EQ(Stored(), (std::vector<int64_t>{1, -2, 1, -1, 1, -1}));
  EXPECT_EQ(Signing(), std::vector<std::string>(4, "1 - Enabled/magenta"));
  EXPECT_TRUE(form->cmdOpFix->Enabled() && form->cmdSMBfix->Enabled()) << "and can be tried again";
}

TEST_F(MainWindowFixes, TheTempFolderFrameFollowsTheRegistryAndItsFixStoresOnlyAFullPathForAnAdministrator) {
  Open();
  Analyse();
  const std::string proposal = NormaliseFolder(recipe.programFolder) + "Rep_Temp";
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18 (Path Not Setup)|" + proposal + "|magenta|box|fix");
  FixTemp(dir.Win("Edited"), false);
  EXPECT_EQ(messages, std::vector<std::string>{kNotAdmin + "button"});
  SetCurrentDirectoryA(dir.Win().c_str());  // where a relative path would land
  FixTemp("RepTemp");
  EXPECT_TRUE(messages.back().starts_with("Report Temp Folder|48|")) << messages.back();
  EXPECT_FALSE(StoredTemp().present) << "showing a proposal, or refusing, writes nothing";
  EXPECT_FALSE(FolderExists(dir.Win("Edited")) || FolderExists(dir.Win("RepTemp")));

  const std::string wanted = dir.Win("Temp\\Reports");
  FixTemp(wanted + "\\");
  EXPECT_TRUE(FolderExists(wanted));
  EXPECT_EQ(StoredTemp().text(), wanted) << "stored without a trailing backslash";
  EXPECT_TRUE(messages.back().starts_with(kTempSet + wanted + "\r\n")) << messages.back();
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18|" + wanted + "|blue|box|no fix");
  // Typing marks the box; a folder without data has none.
  SendMessageA(form->txtTemp->Hwnd(), EM_SETSEL, 0x7fff, 0x7fff);
  PostMessageA(form->txtTemp->Hwnd(), WM_CHAR, 'x', 1);
  forms::DoEvents();
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18|" + wanted + "x|magenta|box|fix");
  form->txtPath->SetText(dir.Win("Wickham"));
  EXPECT_EQ(TempFrame(), "Report Temp Folder||black|no box|no fix");
}

TEST_F(MainWindowFixes, ATempFolderOrValueThatCannotBeWrittenLeavesTheRegistryAsItWas) {
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname", REG_SZ, dir.Win("old"));
  Open();
  Analyse();
  fixtures::WriteFile(dir.Path("afile"), std::string("not a folder"));
  FixTemp(dir.Win("afile\\Reports"));
  EXPECT_EQ(messages,
            std::vector<std::string>{"Folder Creation Error|16|Failed to create path: " + dir.Win("afile\\Reports")});
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18 (Path Not Found)|" + dir.Win("old") + "|magenta|box|fix")
      << "shown again from the registry";

  // The stored value differs from the one the fix writes only in letter case, and the key refuses
  // the write: the read-back is not what was written.
  const std::string folder = dir.Win("Rep_Temp");
  CreateDirectoryA(folder.c_str(), nullptr);
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname", REG_SZ, LCase(folder));
  {
    fixtures::ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kOdbc18);
    FixTemp(UCase(folder));
  }
  EXPECT_EQ(messages.back(), "Registry Write Error|16|Failed to write " + UCase(folder) +
                                 " to\r\nHKLM\\SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18TempPathname\r\n\r\n" + kRefused);
  EXPECT_EQ(StoredTemp().text(), LCase(folder));
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18|" + LCase(folder) + "|blue|box|no fix");

  // A value of another type is shown unreadable, and the fix writes it afresh as text.
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname", REG_DWORD, std::string(4, '\0'));
  form->txtPath->SetText(DataPath() + "\\");
  EXPECT_EQ(TempFrame(), "Report Temp Folder v18 (Path Unreadable)|" + NormaliseFolder(recipe.programFolder) +
                             "Rep_Temp|magenta|box|fix");
  EXPECT_EQ(form->txtTemp->ToolTipText(), "Registry data not a string (error 800407D4)");
  FixTemp(folder);
  EXPECT_TRUE(messages.back().starts_with(kTempSet + folder + "\r\n")) << messages.back();
  EXPECT_EQ(StoredTemp().type, DWORD(REG_SZ));
  EXPECT_EQ(StoredTemp().text(), folder);
  EXPECT_EQ(form->txtTemp->ToolTipText(), "");
}

}  // namespace
}  // namespace lw
