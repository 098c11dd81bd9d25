// The diagnostic report's text, its parts' views, and the command line that asks for it.
#include "app/shell/diagnostic_report.h"

#include <gtest/gtest.h>

#include <string>

#include "app/shell/startup_rules.h"
#include "app/tools/colours.h"

namespace lw {
namespace {

// A version 18 installation with a login queue, one value that cannot be read, a signing value
// that needs the fix and a report temporary folder that is not set up.
DiagnosticFacts Wickham() {
  DataFolderFacts folder;
  folder.dataVersion = "18";
  folder.programType = "A+";
  folder.install.ProgramFolder = "c:\\sage\\accounts\\";
  folder.install.SetupFolder = "c:\\programdata\\sage\\accounts\\2012\\";
  folder.install.ReportsFolder = "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\";
  folder.install.SageVersion = "18.0.10.208";
  folder.install.EditionCode = "A+";
  folder.install.EditionName = "Accounts Plus";
  folder.install.SageUserCount = 5;
  folder.install.SageCompanyCount = 3;
  folder.install.InstalledUpdates = {{"UPDATE 1", "2012-01-10"}, {"UPDATE 2", ""}};
  folder.dataLocation = "Local Data";
  folder.counts.Transactions = 18342;
  folder.counts.CustomerAccounts = 12;

  DiagnosticFacts f;
  f.created = "2026-12-07 12:30:00";
  f.programVersion = "18.0.21";
  f.dataPath = "c:\\data\\wickham\\accdata";
  f.company = "Wickham Joinery Ltd";
  f.panels = SagePanelsOf(folder);
  f.login = {"Customer Read 12 Records", kNormalColour, ""};
  f.sageIniFolder = "c:\\programdata\\sage\\accounts\\";
  f.users = {"manager", "JANE"};
  f.loggedIn = {"JANE (Exclusive)  DESK2"};
  f.windowsVersion = {"Windows 10 64bit Administrator", kNormalColour, "10.0.19045.0 64bit"};
  f.processor = {"Intel Core i5", kNormalColour, ""};
  f.memory = {"1534Mb of 2047Mb (75%)", kNormalColour, ""};
  f.smb2MenuVisible = true;
  f.oplocks = {LabelView{"0 - Enabled", kGoodColour, ""},
               LabelView{"Unreadable", kWarningColour, "Access denied (error 00000005)"}};
  for (LabelView& v : f.signing) v = {"0 - Disabled", kGoodColour, ""};
  f.signing[1] = {"1 - Enabled", kWarningColour, ""};
  f.reportTemp = ReportTempViewOf({"18", "c:\\sage\\accounts\\", "", "", false});
  return f;
}

TEST(DiagnosticReport, AWholeReportOfAnInstallation) {
  EXPECT_EQ(DiagnosticReportText(Wickham()),
            "Ledgerwell Diagnostic Report\r\n"
            "Created: 2026-12-07 12:30:00\r\n"
            "Program Version: 18.0.21\r\n"
            "Component Version: not found\r\n"
            "Result: complete\r\n"
            "\r\n[Data]\r\n"
            "Data Path: c:\\data\\wickham\\accdata\r\n"
            "Company: Wickham Joinery Ltd\r\n"
            "Data Version: A+18\r\n"
            "Data Location: Local Data\r\n"
            "Log-in: Customer Read 12 Records\r\n"
            "\r\n[Sage Program Info]\r\n"
            "Program Path: c:\\sage\\accounts\\\r\n"
            "Settings Path: c:\\programdata\\sage\\accounts\\2012\\\r\n"
            "Reports Path: c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\  [needs attention]\r\n"
            "    (\"Use Data Path For Reports\" setting is Off - NO REPORTS FOUND)\r\n"
            "SAGE.INI Folder: c:\\programdata\\sage\\accounts\\\r\n"
            "Serial Number: \r\n"
            "Program Type: Sage 50 Accounts Plus 5 User 3 Company\r\n"
            "Sage Version: 18.0.10.208\r\n"
            "SDO: v18 SDO is not installed  [needs attention]\r\n"
            "SBD Version: \r\n"
            "REP Version: \r\n"
            "\r\n[Users]\r\n  manager\r\n  JANE\r\n"
            "\r\n[Logged In Users]\r\n  JANE (Exclusive)  DESK2\r\n"
            "\r\n[Installed Sage Updates]\r\n  UPDATE 1  2012-01-10\r\n  UPDATE 2\r\n"
            "\r\n[Record Counts]\r\n  Transactions: 18342\r\n  Last Transaction No: 0\r\n  Customer Accounts: 12\r\n"
            "  Supplier Accounts: 0\r\n  Nominal Codes: 0\r\n  Bank Accounts: 0\r\n  Products: 0\r\n  Price Lists: 0\r\n"
            "  Price Records: 0\r\n  Invoices: 0\r\n  Sales Orders: 0\r\n  Purchase Orders: 0\r\n"
            "\r\n[Windows Info]\r\n"
            "Version: Windows 10 64bit Administrator\r\n"
            "    (10.0.19045.0 64bit)\r\n"
            "Processor: Intel Core i5\r\n"
            "Antivirus: \r\n"
            "Memory Used: 1534Mb of 2047Mb (75%)\r\n"
            "SMB2 Menu Entry: shown\r\n"
            "\r\n[Report Temp Folder v18 (Path Not Setup)]\r\n"
            "Folder: c:\\sage\\accounts\\Rep_Temp  [needs attention]\r\n"
            "\r\n[Oplocks]\r\n"
            "Client Disabled (should be 0 - Enabled): 0 - Enabled  [good]\r\n"
            "Server Enabled (should be 1 - Enabled): Unreadable  [needs attention]\r\n"
            "    (Access denied (error 00000005))\r\n"
            "\r\n[SMB Signing]\r\n"
            "Client Enabled (should be 0 - Disabled): 0 - Disabled  [good]\r\n"
            "Client Required (should be 0 - Disabled): 1 - Enabled  [needs attention]\r\n"
            "Server Enabled (should be 0 - Disabled): 0 - Disabled  [good]\r\n"
            "Server Required (should be 0 - Disabled): 0 - Disabled  [good]\r\n");
}

TEST(DiagnosticReport, OutcomeAndSpeedTestJoinOnlyWhenThereAreAny) {
  DiagnosticFacts f = Wickham();
  f.outcome = "x is not a Sage 50 data folder";
  f.speedTest = {{"Customer Read", {"1200", kNormalColour, ""}}, {"Customer Write", {"35", kWarningColour, ""}}};
  const std::string text = DiagnosticReportText(f);
  EXPECT_NE(text.find("\r\nResult: x is not a Sage 50 data folder  [needs attention]\r\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\r\n\r\n[Speed Test]\r\nCustomer Read: 1200\r\nCustomer Write: 35  [needs attention]\r\n"))
      << text;
}

TEST(ReportTempView, EachStateOfTheFolder) {
  struct Case {
    ReportTempFacts facts;
    ReportTempView view;
  } cases[] = {
      {{"6", "c:\\sage\\", "", "", false}, {ReportTempState::Inactive, "Report Temp Folder", "", kNormalColour, ""}},
      {{"18", "c:\\sage\\", "d:\\tmp", "", true},
       {ReportTempState::Present, "Report Temp Folder v18", "d:\\tmp", kGoodColour, ""}},
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
  struct Case {
    const char* line;
    bool report;
    const char *file, *dataPath, *error;
  } cases[] = {
      {"-M", false, "", "", ""},
      {"-REPORT out.txt", true, "out.txt", "", ""},
      {"  -report \"C:\\My Reports\\r.txt\"  \"\\\\server\\sage data\\ACCDATA\" ", true, "C:\\My Reports\\r.txt",
       "\\\\server\\sage data\\ACCDATA", ""},
      {"-report", true, "", "", "No report file was named. Usage: Ledgerwell.exe -report FILE [DATAPATH]"},
      {"-report a b c", true, "", "", "Too many arguments after b. Usage: Ledgerwell.exe -report FILE [DATAPATH]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::optional<ReportCommand> command = ParseReportCommand(c.line);
    ASSERT_EQ(command.has_value(), c.report);
    if (!command) continue;
    EXPECT_EQ(command->file, c.file);
    EXPECT_EQ(command->dataPath, c.dataPath);
    EXPECT_EQ(command->usageError, c.error);
  }
}

}  // namespace
}  // namespace lw
