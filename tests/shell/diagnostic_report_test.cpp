// The diagnostic report's text, its parts' views, and the command line that asks for it.
#include "app/shell/diagnostic_report.h"

#include <gtest/gtest.h>

#include <string>

#include "app/shell/startup_rules.h"
#include "app/tools/colours.h"

namespace lw {
namespace {

// Version 18 with a value that cannot be read, a signing value to fix, no report temporary folder.
DiagnosticFacts Wickham() {
  DataFolderFacts folder;
  folder.dataVersion = "18";
  folder.programType = "A+";
  folder.install.ReportsFolder = "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\";
  folder.install.InstalledUpdates = {{"UPDATE 1", "2012-01-10"}, {"UPDATE 2", ""}};
  folder.counts.Transactions = 18342;
  folder.counts.CustomerAccounts = 12;

  DiagnosticFacts f;
  f.created = "2026-12-07 12:30:00";
  f.programVersion = "18.0.21";
  f.dataPath = "c:\\data\\wickham\\accdata";
  f.company = "Wickham Joinery Ltd";
  f.panels = SagePanelsOf(folder);
  f.login = {"Customer Read 12 Records", kNormalColour, ""};
  f.users = {"manager", "JANE"};
  f.windowsVersion = {"Windows 10 64bit Administrator", kNormalColour, "10.0.19045.0 64bit"};
  f.oplocks = {LabelView{"0 - Enabled", kGoodColour, ""},
               LabelView{"Unreadable", kWarningColour, "Access denied (error 00000005)"}};
  for (LabelView& v : f.signing) v = {"0 - Disabled", kGoodColour, ""};
  f.signing[1] = {"1 - Enabled", kWarningColour, ""};
  f.reportTemp = ReportTempViewOf({"18", "c:\\sage\\accounts\\", "", "", false});
  return f;
}

// A sample of the report's lines, each found after the one before: the heading, plain fields, a
// field that needs attention with its tip, the lists, and the sections named by their frames.
TEST(DiagnosticReport, AReportOfAnInstallationInItsOrder) {
  const std::string text = DiagnosticReportText(Wickham());
  EXPECT_TRUE(text.starts_with("Ledgerwell Diagnostic Report\r\nCreated: 2026-12-07 12:30:00\r\n")) << text;
  size_t at = 0;
  for (const char* line :
       {"Program Version: 18.0.21\r\nComponent Version: not found\r\nResult: complete\r\n",
        "\r\n[Data]\r\nData Path: c:\\data\\wickham\\accdata\r\nCompany: Wickham Joinery Ltd\r\n",
        "\r\nLog-in: Customer Read 12 Records\r\n",
        "\r\nReports Path: c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\  [needs attention]\r\n"
        "    (\"Use Data Path For Reports\" setting is Off - NO REPORTS FOUND)\r\n",
        "\r\nSDO: v18 SDO is not installed  [needs attention]\r\nSBD Version: \r\n",
        "\r\n[Users]\r\n  manager\r\n  JANE\r\n",
        "\r\n[Installed Sage Updates]\r\n  UPDATE 1  2012-01-10\r\n  UPDATE 2\r\n",
        "\r\n[Record Counts]\r\n  Transactions: 18342\r\n  Last Transaction No: 0\r\n  Customer Accounts: 12\r\n",
        "\r\n[Windows Info]\r\nVersion: Windows 10 64bit Administrator\r\n    (10.0.19045.0 64bit)\r\n",
        "\r\n[Report Temp Folder v18 (Path Not Setup)]\r\nFolder: c:\\sage\\accounts\\Rep_Temp  [needs attention]\r\n",
        "\r\n[Oplocks]\r\nClient Disabled (should be 0 - Enabled): 0 - Enabled  [good]\r\n"
        "Server Enabled (should be 1 - Enabled): Unreadable  [needs attention]\r\n"
        "    (Access denied (error 00000005))\r\n",
        "\r\nClient Required (should be 0 - Disabled): 1 - Enabled  [needs attention]\r\n"}) {
    const size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\nafter " << at << " in\n" << text;
    at = found + 1;
  }
  EXPECT_TRUE(text.ends_with("Server Required (should be 0 - Disabled): 0 - Disabled  [good]\r\n"));
}

TEST(DiagnosticReport, OutcomeAndSpeedTestJoinOnlyWhenThereAreAny) {
  DiagnosticFacts f = Wickham();
  f.outcome = "x is not a Sage 50 data folder";
  f.speedTest = {{"Customer Read", {"1200", kNormalColour, ""}}, {"Customer Write", {"35", kWarningColour, ""}}};
  const std::string text = DiagnosticReportText(f);
  EXPECT_NE(text.find("\r\nResult: x is not a Sage 50 data folder  [needs attention]\r\n"), std::string::npos);
  EXPECT_TRUE(
      text.ends_with("\r\n\r\n[Speed Test]\r\nCustomer Read: 1200\r\nCustomer Write: 35  [needs attention]\r\n"))
      << text;
}

TEST(ReportTempView, EachStateOfTheFolder) {
  struct Case {
    ReportTempFacts facts;
    ReportTempView view;
  } cases[] = {
      {{"6", "c:\\sage\\", "", "", false}, {ReportTempState::Inactive, "Report Temp Folder", "", kNormalColour, ""}},
      {{"18", "c:\\sage\\", "d:\\tmp", "", false},
       {ReportTempState::Missing, "Report Temp Folder v18 (Path Not Found)", "d:\\tmp", kWarningColour, ""}},
      {{"18", "C:\\Program Files\\Sage\\", "", "", false},
       {ReportTempState::NotSetUp, "Report Temp Folder v18 (Path Not Setup)", "C:\\Sage\\V18_Temp", kWarningColour,
        ""}},
      {{"18", "c:\\sage\\", "", "Access denied (error 00000005)", false},
       {ReportTempState::Unreadable, "Report Temp Folder v18 (Path Unreadable)", "c:\\sage\\Rep_Temp", kWarningColour,
        "Access denied (error 00000005)"}},
  };
  for (const Case& c : cases) EXPECT_TRUE(ReportTempViewOf(c.facts) == c.view) << c.view.caption;
}

TEST(ReportCommand, TheCommandLineForms) {
  const struct {
    const char *line, *parsed;  // "file|data path|usage error", or "none" for no report
  } cases[] = {
      {"-M", "none"},
      {"  -report \"C:\\My Reports\\r.txt\"  \"\\\\server\\sage data\\ACCDATA\" ",
       "C:\\My Reports\\r.txt|\\\\server\\sage data\\ACCDATA|"},
      {"-report", "||No report file was named. Usage: Ledgerwell.exe -report FILE [DATAPATH]"},
      {"-report a b c", "||Too many arguments after b. Usage: Ledgerwell.exe -report FILE [DATAPATH]"},
  };
  for (const auto& c : cases) {
    const std::optional<ReportCommand> command = ParseReportCommand(c.line);
    EXPECT_EQ(command ? command->file + "|" + command->dataPath + "|" + command->usageError : "none", c.parsed)
        << c.line;
  }
}

}  // namespace
}  // namespace lw
