// The diagnostic report of the real main window (its two tools-menu entries) and of the program run
// as "Ledgerwell.exe -report FILE [DATAPATH]": the same lines, as the labels show them.
#include "app/shell/diagnostic_report_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/state/settings_win.h"
#include "app/tools/files_win.h"
#include "tests/fixtures/main_window_win.h"
#include "tests/fixtures/program_win.h"

namespace lw {
namespace {

class DiagnosticReport : public fixtures::MainWindowTest {
 protected:
  // The program run as a user would run it from a command prompt; its exit code.
  static int RunReport(const std::string& arguments) {
    fixtures::RunningProgram program("-report " + arguments);
    return program.WaitForExit(60000);
  }
  static std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
  static std::string FileText(const std::string& path) { return ReadWholeFile(path, 1 << 20); }
  // The lines of a report, without those that change from one moment to the next (and their tips).
  static std::vector<std::string> SteadyLines(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    bool skipped = false;
    for (std::string line; std::getline(in, line);) {
      const bool tip = line.starts_with("    (");
      if (!(tip && skipped))
        skipped = line.starts_with("Created: ") || line.starts_with("Memory Used: ") || line.starts_with("Log-in: ");
      if (!skipped) lines.push_back(line);
    }
    return lines;
  }
  std::string WindowReport() const { return DiagnosticReportText(form->ShownDiagnostics()); }
};

TEST_F(DiagnosticReport, TheCommandLineReportSaysWhatTheWindowShowsAndChangesNothing) {
  Open();
  Analyse();
  ASSERT_EQ(Text("lblName"), "Wickham Joinery Ltd");
  const std::string file = dir.Win("report.txt");
  const std::string settingsBefore = GetAppSetting("DataPath", "?") + "|" + GetAppSetting("FirstRun", "?");
  // A running program holds the single-instance mutex: the report neither stops nor says so.
  HANDLE running = CreateMutexA(nullptr, FALSE, "Brenk.Ledgerwell.Running");
  EXPECT_EQ(RunReport(Quoted(file) + " " + Quoted(DataPath())), 0);
  CloseHandle(running);
  EXPECT_EQ(GetAppSetting("DataPath", "?") + "|" + GetAppSetting("FirstRun", "?"), settingsBefore);

  const std::string report = FileText(file);
  EXPECT_EQ(SteadyLines(report), SteadyLines(WindowReport()));
  EXPECT_NE(report.find("\r\nLog-in: Not checked: the command-line report does not log in\r\n"), std::string::npos);
  // Label by label, as a user compares the report with the window.
  struct Line {
    const char *caption, *control;
  } lines[] = {
      // clang-format off
      {"Company", "lblName"}, {"Data Version", "lblVer"}, {"Data Location", "lblNet"}, {"Program Path", "lblProgPath"},
      {"Settings Path", "lblSetPath"}, {"Reports Path", "lblRepPath"}, {"Program Type", "lblProgType"},
      {"Sage Version", "lblSagVer"}, {"Version", "lblWvr"}, {"Processor", "lblProc"}, {"Folder", "txtTemp"},
      {"Client Disabled (should be 0 - Enabled)", "lblOpDis"}, {"Server Required (should be 0 - Disabled)", "lblSMBsr"},
      // clang-format on
  };
  for (const Line& l : lines)
    EXPECT_NE(report.find("\r\n" + std::string(l.caption) + ": " + Text(l.control)), std::string::npos) << l.caption;
  EXPECT_NE(report.find("\r\n[" + Text("fraTemp") + "]\r\n"), std::string::npos);
}

TEST_F(DiagnosticReport, EachFailureHasItsExitCodeAndReason) {
  const std::string file = dir.Win("report.txt");
  EXPECT_EQ(RunReport(""), 1);
  EXPECT_EQ(RunReport(Quoted(dir.Win("no such folder\\report.txt")) + " " + Quoted(dir.Win())), 2);
  EXPECT_EQ(RunReport(Quoted(file) + " " + Quoted(dir.Win())), 3);
  EXPECT_NE(FileText(file).find("\r\nResult: " + dir.Win() +
                                " is not a Sage 50 data folder (no company name was "
                                "read).  [needs attention]\r\n"),
            std::string::npos)
      << FileText(file);
}

TEST_F(DiagnosticReport, TheMenuSavesAndCopiesTheWindowsReport) {
  Open();
  Analyse();
  std::string offered;
  const std::string file = dir.Win("saved.txt");
  forms::OpenFileHandler previous = forms::SetSaveFileHandler(
      [&](HWND, const std::string&, const std::string&, const std::string& initial, unsigned) {
        offered = initial;
        return file;
      });
  EXPECT_TRUE(form->mnuMenu->Click("mnuSaveReport"));
  EXPECT_EQ(offered, "Ledgerwell Diagnostic Report.txt");
  EXPECT_EQ(SteadyLines(FileText(file)), SteadyLines(WindowReport()));

  EXPECT_TRUE(form->mnuMenu->Click("mnuCopyReport"));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  const std::string copied = data ? static_cast<const char*>(GlobalLock(data)) : "";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(SteadyLines(copied), SteadyLines(WindowReport()));

  // A file that cannot be written is reported, not passed over.
  forms::SetSaveFileHandler([&](HWND, const std::string&, const std::string&, const std::string&, unsigned) {
    return dir.Win("gone\\saved.txt");
  });
  EXPECT_TRUE(form->mnuMenu->Click("mnuSaveReport"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("Save Diagnostic Report|16|The report could not be written to " +
                                      dir.Win("gone\\saved.txt") + " (error 3)."))
      << messages[0];
  forms::SetSaveFileHandler(previous);
}

}  // namespace
}  // namespace lw
