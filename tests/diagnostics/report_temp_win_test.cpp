// The report temporary folder frame of the real main window, against the prefix's registry and
// real folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/diagnostics/workstation_win.h"
#include "app/discovery/installation.h"
#include "app/forms/forms_win.h"
#include "app/shell/frm_main_window_win.h"
#include "app/state/app_state.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "tests/fixtures/data_files.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/registry_win.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

std::string OdbcKey(const std::string& version) { return "SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v" + version; }

class ReportTempFrame : public fixtures::MainWindowTest {
 protected:
  static void StoreTempPath(const std::string& version, const std::string& path) {
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, OdbcKey(version), "TempPathname", REG_SZ, path);
  }
  static fixtures::RawValue StoredTempPath(const std::string& version) {
    return fixtures::ReadRaw(HKEY_LOCAL_MACHINE, OdbcKey(version), "TempPathname");
  }
  // The frame at a glance: caption | text | colour | box enabled | fix enabled.
  std::string Frame() const {
    return form->fraTemp->Caption() + "|" + form->txtTemp->Text() + "|" + ColourName(form->txtTemp->ForeColor()) + "|" +
           (form->txtTemp->Enabled() ? "box" : "no box") + "|" + (form->cmdTempFix->Enabled() ? "fix" : "no fix");
  }
  // Keys typed at the end of the box's text.
  void Type(const std::string& keys) const {
    SendMessageA(form->txtTemp->Hwnd(), EM_SETSEL, 0x7fff, 0x7fff);
    for (char c : keys) PostMessageA(form->txtTemp->Hwnd(), WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
    forms::DoEvents();
  }
  void Fix() const { Click(form->cmdTempFix); }
  static std::string SetMessage(const std::string& path) {
    return "Report Temp Folder Setup OK|64|Sage Reporting Temporary Files Folder set to:\r\n" + path +
           "\r\n\r\nNow Please Ensure That:\r\n1. This folder has been excluded from On Access Anti Virus "
           "scanning.\r\n2. Windows Users have full Access rights to this folder.";
  }
};

TEST_F(ReportTempFrame, VersionsUpToSixAndNoDataFolderLeaveTheFrameInactive) {
  Open();
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  StoreTempPath("7", dir.Win());
  form->ShowReportTemp("7");
  ASSERT_EQ(Frame(), "Report Temp Folder v7|" + dir.Win() + "|blue|box|no fix");
  form->ShowReportTemp("6");
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorButtonFace);
  EXPECT_EQ(form->txtTemp->Tag(), "");
  EXPECT_EQ(form->cmdTempFix->Tag(), "6");

  // The longest caption fits the frame's top edge, beside the frame's corner.
  EXPECT_LE(form->fraTemp->TextWidth("Report Temp Folder v18 (Path Unreadable)") + 2 * 150, form->fraTemp->Width());
}

TEST_F(ReportTempFrame, AnalysisShowsTheStoredFolderAndLeavingTheDataFolderResetsIt) {
  const std::string temp = dir.Win("Reports Temp");
  CreateDirectoryA(temp.c_str(), nullptr);
  StoreTempPath("18", temp);
  Open();
  Analyse();
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + temp + "|blue|box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorWindow);
  EXPECT_EQ(form->txtTemp->Tag(), temp);
  EXPECT_EQ(form->cmdTempFix->Tag(), "18");

  RemoveDirectoryA(temp.c_str());
  form->txtPath->SetText(dir.Win("Wickham\\ACCDATA\\"));
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Found)|" + temp + "|magenta|box|fix");

  form->txtPath->SetText(dir.Win("Wickham"));
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorButtonFace);
  EXPECT_EQ(form->cmdTempFix->Tag(), "0");
}

TEST_F(ReportTempFrame, NoFolderSetProposesOneBesideTheProgramAndWritesNothing) {
  Open();
  Analyse();
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Setup)|" + NormaliseFolder(recipe.programFolder) +
                         "Rep_Temp|magenta|box|fix");
  EXPECT_FALSE(StoredTempPath("18").present) << "showing a proposal writes nothing";
}

TEST_F(ReportTempFrame, TypingMarksTheBoxEvenWhenTheTextIsTypedBack) {
  StoreTempPath("18", dir.Win());
  Open();
  Analyse();
  ASSERT_EQ(Frame(), "Report Temp Folder v18|" + dir.Win() + "|blue|box|no fix");
  Type("x");
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + dir.Win() + "x|magenta|box|fix");
  Type("\b");
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + dir.Win() + "|magenta|box|fix");
}

TEST_F(ReportTempFrame, FixCreatesTheFolderAndStoresItWithoutOneTrailingBackslash) {
  Open();
  Analyse();
  Workstation.UserIsAdmin = true;
  const std::string wanted = dir.Win("Temp\\Reports");
  form->txtTemp->SetText(wanted + "\\");
  Fix();
  EXPECT_TRUE(FolderExists(wanted));
  fixtures::RawValue stored = StoredTempPath("18");
  EXPECT_EQ(stored.type, DWORD(REG_SZ));
  EXPECT_EQ(stored.text(), wanted) << "stored without a trailing backslash";
  EXPECT_EQ(messages, std::vector<std::string>{SetMessage(wanted)});
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + wanted + "|blue|box|no fix");
}

TEST_F(ReportTempFrame, OnlyAFullPathIsCreatedAndStoredAndADrivesRootKeepsItsBackslash) {
  Open();
  Analyse();
  Workstation.UserIsAdmin = true;
  SetCurrentDirectoryA(dir.Win().c_str());  // where a relative path would land
  form->txtTemp->SetText("RepTemp");
  Fix();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("Report Temp Folder|48|")) << messages[0];
  EXPECT_FALSE(StoredTempPath("18").present);
  EXPECT_EQ(form->txtTemp->Text(), "RepTemp");
  EXPECT_FALSE(FolderExists(dir.Win("RepTemp")));

  // A drive's root is there already: stored as it is, not as the current folder of drive C.
  messages.clear();
  form->txtTemp->SetText("C:\\");
  Fix();
  EXPECT_EQ(StoredTempPath("18").text(), "C:\\");
  EXPECT_EQ(messages, std::vector<std::string>{SetMessage("C:\\")});
}

TEST_F(ReportTempFrame, WithoutAdministratorRightsNothingIsCreatedOrWritten) {
  Open();
  Analyse();
  Workstation.UserIsAdmin = false;
  form->txtTemp->SetText(dir.Win("Edited"));
  Fix();
  EXPECT_EQ(messages, std::vector<std::string>{"Windows Security Error|48|You must be logged on to Windows as an "
                                               "Administrator to use this button"});
  EXPECT_FALSE(FolderExists(dir.Win("Edited")));
  EXPECT_FALSE(StoredTempPath("18").present);
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Setup)|" + dir.Win("Edited") + "|magenta|box|fix")
      << "the edit stays: the frame is not redisplayed";
}

TEST_F(ReportTempFrame, AFolderThatCannotBeCreatedLeavesTheRegistryAlone) {
  StoreTempPath("18", dir.Win("old"));
  Open();
  Analyse();
  Workstation.UserIsAdmin = true;
  fixtures::WriteFile(dir.Path("afile"), std::string("not a folder"));
  const std::string impossible = dir.Win("afile\\Reports");
  form->txtTemp->SetText(impossible);
  Fix();
  EXPECT_EQ(messages, std::vector<std::string>{"Folder Creation Error|16|Failed to create path: " + impossible});
  EXPECT_EQ(StoredTempPath("18").text(), dir.Win("old"));
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Found)|" + dir.Win("old") + "|magenta|box|fix")
      << "redisplayed from the registry";
}

TEST_F(ReportTempFrame, AValueThatDoesNotReadBackExactlyIsAWriteError) {
  // The stored value differs from the one the fix writes only in letter case, and the key refuses
  // the write: the read-back is not what was written.
  const std::string folder = dir.Win("Rep_Temp");
  CreateDirectoryA(folder.c_str(), nullptr);
  StoreTempPath("18", LCase(folder));
  Open();
  Analyse();
  Workstation.UserIsAdmin = true;
  form->txtTemp->SetText(UCase(folder));
  {
    fixtures::ReadOnlyKey locked(HKEY_LOCAL_MACHINE, OdbcKey("18"));
    Fix();
  }
  EXPECT_EQ(messages, std::vector<std::string>{"Registry Write Error|16|Failed to write " + UCase(folder) +
                                               " to\r\nHKLM\\SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18TempPathname"
                                               "\r\n\r\nCould not open/create registry section (error 800407D5)"});
  EXPECT_EQ(StoredTempPath("18").text(), LCase(folder));
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + LCase(folder) + "|blue|box|no fix");
}

TEST_F(ReportTempFrame, AValueOfAnotherTypeIsShownUnreadableAndTheFixReplacesIt) {
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, OdbcKey("18"), "TempPathname", REG_DWORD, std::string(4, '\0'));
  Open();
  Analyse();
  const std::string proposal = NormaliseFolder(recipe.programFolder) + "Rep_Temp";
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Unreadable)|" + proposal + "|magenta|box|fix");
  EXPECT_EQ(form->txtTemp->ToolTipText(), "Registry data not a string (error 800407D4)");
  Workstation.UserIsAdmin = true;
  Fix();
  EXPECT_EQ(messages, std::vector<std::string>{SetMessage(proposal)});
  EXPECT_EQ(StoredTempPath("18").type, DWORD(REG_SZ));
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + proposal + "|blue|box|no fix");
  EXPECT_EQ(form->txtTemp->ToolTipText(), "");
}

}  // namespace
}  // namespace lw
