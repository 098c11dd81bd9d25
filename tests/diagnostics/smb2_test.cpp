#include "app/diagnostics/smb2.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

const std::string kQueryReport = "Command: SC query mrxsmb20\r\n";
const std::string kRestart = "Restart your computer to activate this change\r\n\r\n";

// The query's report as the runner gives it: the tool's columns with their blanks collapsed.
std::string QueryReport(const std::string& stateLine) {
  return kQueryReport + "\r\nSERVICE_NAME: mrxsmb20 \r\n STATE : " + stateLine + " \r\n WIN32_EXIT_CODE : 0 (0x0)\r\n";
}

// The whole opening log of each state is compared in the window's test (frm_smb2_win_test.cpp).
TEST(Smb2, TheStateWordOfTheQueryChoosesTheClientButton) {
  const struct {
    std::string report;
    const char *word, *caption;
  } kCases[] = {
      {QueryReport("4 RUNNING"), "RUNNING", "Disable Client SMB2"},
      {QueryReport("1 STOPPED"), "STOPPED", "Enable Client SMB2"},
      {QueryReport("2 START_PENDING"), "PENDING", "Exit"},                            // its last seven characters
      {kQueryReport + "STATE : 4 RUNNING   \r\n", "RUNNING", "Disable Client SMB2"},  // trimmed before
      {kQueryReport + "STATE : 1 ABCDEF\r\n", " ABCDEF", "Exit"},                     // and not after
      {kQueryReport + "STATE : 4 RUNNING", "", "Exit"},                               // cut short before its line break
      {kQueryReport, "", "Exit"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ClientSmb2StateWord(c.report), c.word) << c.report;
    EXPECT_EQ(ClientSmb2ViewOf(c.report).caption, c.caption) << c.report;
  }
  EXPECT_TRUE(ClientSmb2ViewOf(QueryReport("1 STOPPED")).log.ends_with("\r\nClient SMB2 service is disabled\r\n\r\n"));
}

// The disabling pair is run by the stand-in tool in the window's test (frm_smb2_win_test.cpp).
TEST(Smb2, EachSwitchRunsItsPairOfCommandsOrWritesTheServerValue) {
  const std::optional<ClientSmb2Switch> enable = ClientSmb2SwitchFor("Enable Client SMB2");
  ASSERT_TRUE(enable);
  EXPECT_EQ(enable->commands[0] + std::string("|") + enable->commands[1],
            "SC config lanmanworkstation depend= bowser/mrxsmb10/mrxsmb20/nsi|SC config mrxsmb20 start= auto");
  EXPECT_EQ(enable->captionAfter, "Disable Client SMB2");
  EXPECT_EQ(ClientSmb2SwitchLog(*enable, "one", "two"), "Enabling Client SMB2\r\none\r\ntwo\r\n" + kRestart);
  EXPECT_EQ(ServerSmb2Caption(0xFFFFFFFF), "Enable Server SMB2") << "only exactly 1 is on";
  const std::optional<ServerSmb2Switch> server = ServerSmb2SwitchFor("Enable Server SMB2");
  ASSERT_TRUE(server);
  EXPECT_EQ(server->value, 1u);
  EXPECT_EQ(server->log, "Server SMB2 Enabled in the Registry\r\n" + kRestart);
  for (const char* caption : {"Exit", "disable client smb2", "Disable Server SMB2", ""})
    EXPECT_FALSE(ClientSmb2SwitchFor(caption)) << caption;
  EXPECT_FALSE(ServerSmb2SwitchFor("enable server smb2") || ServerSmb2SwitchFor("Disable Client SMB2"));
}

TEST(Smb2, TheLogFillsTheWindowWithinItsMarginsAndKeepsASideThatWouldNotBePositive) {
  const struct {
    int width, height;
    Smb2LogSize size;
  } kCases[] = {
      {7200, 4800, {6960, 4065}},
      {241, 736, {1, 1}},
      {240, 735, {std::nullopt, std::nullopt}},  // too small either way
      {0, 0, {std::nullopt, std::nullopt}},      // minimised
  };
  for (const auto& c : kCases) EXPECT_EQ(Smb2LogSizeFor(c.width, c.height, 615), c.size) << c.width << "x" << c.height;
}

}  // namespace
}  // namespace lw
