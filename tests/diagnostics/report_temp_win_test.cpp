// The report temporary folder frame of the real main window, against the prefix's registry and
// real folders. Which paths the fix takes is the native table's business (report_temp_test.cpp).
#include <gtest/gtest.h>
#include <windows.h>

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

const std::string kOdbc18 = "SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18";

class ReportTempFrame : public fixtures::MainWindowTest {
 protected:
  static void Store(const std::string& key, const std::string& path) {
    fixtures::WriteRaw(HKEY_LOCAL_MACHINE, key, "TempPathname", REG_SZ, path);
  }
  static fixtures::RawValue Stored() { return fixtures::ReadRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname"); }
  // The frame at a glance: caption | text | colour | box enabled | fix enabled.
  std::string Frame() const {
    return form->fraTemp->Caption() + "|" + form->txtTemp->Text() + "|" + ColourName(form->txtTemp->ForeColor()) + "|" +
           (form->txtTemp->Enabled() ? "box" : "no box") + "|" + (form->cmdTempFix->Enabled() ? "fix" : "no fix");
  }
  // The box's text replaced, then the fix pressed by an administrator or not.
  void Fix(const std::string& box, bool admin = true) {
    form->txtTemp->SetText(box);
    Workstation.UserIsAdmin = admin;
    Click(form->cmdTempFix);
  }
  static std::string SetMessage(const std::string& path) {
    return "Report Temp Folder Setup OK|64|Sage Reporting Temporary Files Folder set to:\r\n" + path +
           "\r\n\r\nNow Please Ensure That:\r\n1. This folder has been excluded from On Access Anti Virus "
           "scanning.\r\n2. Windows Users have full Access rights to this folder.";
  }
  std::string Proposal() const { return NormaliseFolder(recipe.programFolder) + "Rep_Temp"; }
};

TEST_F(ReportTempFrame, TheFrameFollowsTheDataFolderItsVersionAndTheTyping) {
  const std::string temp = dir.Win("Reports Temp");
  CreateDirectoryA(temp.c_str(), nullptr);
  Store(kOdbc18, temp);
  Store("SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v7", dir.Win());
  Open();
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorButtonFace);
  Analyse();
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + temp + "|blue|box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorWindow);
  // Typing marks the box, even when the text is typed back.
  SendMessageA(form->txtTemp->Hwnd(), EM_SETSEL, 0x7fff, 0x7fff);
  PostMessageA(form->txtTemp->Hwnd(), WM_CHAR, 'x', 1);
  forms::DoEvents();
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + temp + "x|magenta|box|fix");
  PostMessageA(form->txtTemp->Hwnd(), WM_CHAR, '\b', 1);
  forms::DoEvents();
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + temp + "|magenta|box|fix");

  form->ShowReportTemp("7");
  EXPECT_EQ(Frame(), "Report Temp Folder v7|" + dir.Win() + "|blue|box|no fix");
  form->ShowReportTemp("6");
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  RemoveDirectoryA(temp.c_str());
  form->txtPath->SetText(dir.Win("Wickham\\ACCDATA\\"));
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Found)|" + temp + "|magenta|box|fix");
  form->txtPath->SetText(dir.Win("Wickham"));
  EXPECT_EQ(Frame(), "Report Temp Folder||black|no box|no fix");
  EXPECT_EQ(form->txtTemp->BackColor(), forms::kColorButtonFace);

  // The longest caption fits the frame's top edge, beside the frame's corner.
  EXPECT_LE(form->fraTemp->TextWidth("Report Temp Folder v18 (Path Unreadable)") + 2 * 150, form->fraTemp->Width());
}

TEST_F(ReportTempFrame, TheFixCreatesAndStoresOnlyAFullPathAndOnlyForAnAdministrator) {
  Open();
  Analyse();
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Setup)|" + Proposal() + "|magenta|box|fix");
  EXPECT_FALSE(Stored().present) << "showing a proposal writes nothing";

  Fix(dir.Win("Edited"), false);
  EXPECT_EQ(messages, std::vector<std::string>{"Windows Security Error|48|You must be logged on to Windows as an "
                                               "Administrator to use this button"});
  EXPECT_FALSE(FolderExists(dir.Win("Edited")));
  EXPECT_FALSE(Stored().present);
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Setup)|" + dir.Win("Edited") + "|magenta|box|fix")
      << "the edit stays: the frame is not redisplayed";

  messages.clear();
  SetCurrentDirectoryA(dir.Win().c_str());  // where a relative path would land
  Fix("RepTemp");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("Report Temp Folder|48|")) << messages[0];
  EXPECT_FALSE(Stored().present);
  EXPECT_FALSE(FolderExists(dir.Win("RepTemp")));
  EXPECT_EQ(form->txtTemp->Text(), "RepTemp");

  messages.clear();
  const std::string wanted = dir.Win("Temp\\Reports");
  Fix(wanted + "\\");
  EXPECT_TRUE(FolderExists(wanted));
  EXPECT_EQ(Stored().type, DWORD(REG_SZ));
  EXPECT_EQ(Stored().text(), wanted) << "stored without a trailing backslash";
  EXPECT_EQ(messages, std::vector<std::string>{SetMessage(wanted)});
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + wanted + "|blue|box|no fix");

  // A drive's root is there already: stored as it is, not as the current folder of drive C.
  Fix("C:\\");
  EXPECT_EQ(Stored().text(), "C:\\");
  EXPECT_EQ(messages.back(), SetMessage("C:\\"));
}

TEST_F(ReportTempFrame, AFolderOrValueThatCannotBeWrittenLeavesTheRegistryAsItWas) {
  Store(kOdbc18, dir.Win("old"));
  Open();
  Analyse();
  fixtures::WriteFile(dir.Path("afile"), std::string("not a folder"));
  const std::string impossible = dir.Win("afile\\Reports");
  Fix(impossible);
  EXPECT_EQ(messages, std::vector<std::string>{"Folder Creation Error|16|Failed to create path: " + impossible});
  EXPECT_EQ(Stored().text(), dir.Win("old"));
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Not Found)|" + dir.Win("old") + "|magenta|box|fix")
      << "redisplayed from the registry";

  // The stored value differs from the one the fix writes only in letter case, and the key refuses
  // the write: the read-back is not what was written.
  messages.clear();
  const std::string folder = dir.Win("Rep_Temp");
  CreateDirectoryA(folder.c_str(), nullptr);
  Store(kOdbc18, LCase(folder));
  {
    fixtures::ReadOnlyKey locked(HKEY_LOCAL_MACHINE, kOdbc18);
    Fix(UCase(folder));
  }
  EXPECT_EQ(messages, std::vector<std::string>{"Registry Write Error|16|Failed to write " + UCase(folder) +
                                               " to\r\nHKLM\\SOFTWARE\\ODBC\\ODBC.INI\\SageLine50v18TempPathname"
                                               "\r\n\r\nCould not open/create registry section (error 800407D5)"});
  EXPECT_EQ(Stored().text(), LCase(folder));
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + LCase(folder) + "|blue|box|no fix");
}

TEST_F(ReportTempFrame, AValueOfAnotherTypeIsShownUnreadableAndTheFixReplacesIt) {
  fixtures::WriteRaw(HKEY_LOCAL_MACHINE, kOdbc18, "TempPathname", REG_DWORD, std::string(4, '\0'));
  Open();
  Analyse();
  EXPECT_EQ(Frame(), "Report Temp Folder v18 (Path Unreadable)|" + Proposal() + "|magenta|box|fix");
  EXPECT_EQ(form->txtTemp->ToolTipText(), "Registry data not a string (error 800407D4)");
  Fix(Proposal());
  EXPECT_EQ(messages, std::vector<std::string>{SetMessage(Proposal())});
  EXPECT_EQ(Stored().type, DWORD(REG_SZ));
  EXPECT_EQ(Frame(), "Report Temp Folder v18|" + Proposal() + "|blue|box|no fix");
  EXPECT_EQ(form->txtTemp->ToolTipText(), "");
}

}  // namespace
}  // namespace lw
