// The command runner against the stand-in service-control tool: what each kind of command gives,
// and that nothing of a command outlives the call, neither a handle nor the process.
#include "app/tools/command_runner_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/fixtures/service_control_win.h"

namespace lw {
namespace {

// Whether the process has ended (or is gone altogether).
bool HasEnded(DWORD processId) {
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!h) return true;
  const bool ended = WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
  CloseHandle(h);
  return ended;
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

TEST(CommandRunner, ReportsTheFirstReadOfTheOutputWithBlanksCollapsedAndLeavesNothingBehind) {
  const std::string query = "SC query mrxsmb20", report = "Command: SC query mrxsmb20\r\n";
  // Beyond the first 500 bytes (the last of them is the blank before the cut), and more than the
  // pipe holds: the rest cannot be written once the runner has stopped reading.
  const std::string longOutput =
      std::string(480, ' ') + "x" + std::string(18, '-') + "  STATE : 4 RUNNING\r\n" + std::string(100000, '.');
  struct Case {
    const char* name;
    std::string command, output;  // no output: the command prints nothing
    bool hang;
    std::string report;
  } cases[] = {
      {"columns", query, "\r\n        STATE   :  4  RUNNING  \r\n", false, report + "\r\n STATE : 4 RUNNING \r\n"},
      {"more than one read takes", query, longOutput, false, report + "x" + std::string(18, '-')},
      {"nothing printed, and no end", query, "", true, report + "ReadFile failed. Error: 1460"},
      {"printed, then no end", query, "[SC] FAILED\r\n", true, report + "[SC] FAILED\r\n"},
      {"no such program", "NoSuchToolAnywhere query", "", false,
       "Command: NoSuchToolAnywhere query\r\nCreateProcess failed. Error: 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fixtures::ServiceControlStandIn sc;
    if (!c.output.empty()) sc.SetOutput("query", c.output);
    if (c.hang) sc.Hang();
    const DWORD handles = HandleCount();
    EXPECT_EQ(RunCommand(c.command, 2000), c.report);
    EXPECT_EQ(HandleCount(), handles);
    EXPECT_EQ(sc.CommandLines(), std::vector<std::string>(c.command == query, query));
    for (const fixtures::ServiceControlStandIn::Run& run : sc.Runs()) {
      EXPECT_TRUE(HasEnded(run.processId)) << "the command's process is still running";
      EXPECT_TRUE(run.consoleHidden) << "a console window would take the activation from the program";
      // A hung command is ended by the runner, well before its minute is up.
      EXPECT_EQ(run.endedByItself, !c.hang);
    }
  }
}

}  // namespace
}  // namespace lw
