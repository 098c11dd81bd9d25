#include "app/diagnostics/smb2.h"

#include <gtest/gtest.h>

#include "app/tools/text.h"

namespace lw {
namespace {

const std::string kQueryReport = "Command: SC query mrxsmb20\r\n";

// The query's report as the runner gives it: the tool's columns with their blanks collapsed.
std::string QueryReport(const std::string& stateLine) {
  return kQueryReport + CollapseSpaces("\r\nSERVICE_NAME: mrxsmb20 \r\n"
                                       "        TYPE               : 2  FILE_SYSTEM_DRIVER  \r\n"
                                       "        STATE              : " +
                                       stateLine +
                                       " \r\n"
                                       "        WIN32_EXIT_CODE    : 0  (0x0)\r\n");
}

TEST(Smb2, TheClientStateWordIsTheEndOfTheFirstStateLine) {
  struct Case {
    std::string report;
    const char* word;
  } cases[] = {
      {QueryReport("4  RUNNING"), "RUNNING"},
      {QueryReport("1  STOPPED"), "STOPPED"},
      {QueryReport("2  START_PENDING"), "PENDING"},  // its last seven characters
      {kQueryReport + "STATE : 4 RUNNING\r\nSTATE : 1 STOPPED\r\n", "RUNNING"},
      {kQueryReport + "STATE\r\n", "STATE"},
      {kQueryReport + "STATE : 4 RUNNING   \r\n", "RUNNING"},  // trimmed before the seven are taken
      {kQueryReport + "STATE : 1 ABCDEF\r\n", " ABCDEF"},    // and not after
      {kQueryReport + "STATE : 4 RUNNING", ""},               // cut short before its line break
      {kQueryReport + "state : 4 RUNNING\r\n", ""},           // the word is case-sensitive
      {kQueryReport + "[SC] EnumQueryServicesStatus:OpenService FAILED 1060:\r\n", ""},
      {kQueryReport + "CreateProcess failed. Error: 2", ""},
      {kQueryReport, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ClientSmb2StateWord(c.report), c.word) << c.report;
}

TEST(Smb2, TheStateWordLeadsTheLogAndChoosesTheClientButton) {
  const std::string running = QueryReport("4  RUNNING");
  EXPECT_EQ(ClientSmb2ViewOf(running),
            (ClientSmb2View{"Disable Client SMB2",
                            "RUNNING Command: SC query mrxsmb20\r\n\r\nSERVICE_NAME: mrxsmb20 \r\n TYPE : 2 "
                            "FILE_SYSTEM_DRIVER \r\n STATE : 4 RUNNING \r\n WIN32_EXIT_CODE : 0 (0x0)\r\n\r\n"
                            "Client SMB2 service is enabled\r\n\r\n"}));
  EXPECT_EQ(ClientSmb2ViewOf(QueryReport("1  STOPPED")).caption, "Enable Client SMB2");
  EXPECT_TRUE(ClientSmb2ViewOf(QueryReport("1  STOPPED")).log.ends_with("\r\n\r\nClient SMB2 service is disabled\r\n\r\n"));

  // Anything else, the window has nothing to switch: the empty word still leaves its blank.
  EXPECT_EQ(ClientSmb2ViewOf(kQueryReport),
            (ClientSmb2View{"Exit", " Command: SC query mrxsmb20\r\n\r\nClient SMB2 service not found\r\n\r\n"}));
  EXPECT_EQ(ClientSmb2ViewOf(QueryReport("2  START_PENDING")).caption, "Exit");
  EXPECT_TRUE(ClientSmb2ViewOf(QueryReport("2  START_PENDING")).log.starts_with("PENDING Command: "));
  EXPECT_EQ(ClientSmb2ViewOf(kQueryReport + "ReadFile failed. Error: 1460").log,
            " Command: SC query mrxsmb20\r\nReadFile failed. Error: 1460\r\nClient SMB2 service not found\r\n\r\n");
}

TEST(Smb2, EachClientCaptionSwitchesWithItsTwoCommandsAndTheOtherCaptionsSwitchNothing) {
  const std::optional<ClientSmb2Switch> off = ClientSmb2SwitchFor("Disable Client SMB2");
  ASSERT_TRUE(off);
  EXPECT_EQ(off->commands[0], std::string("SC config lanmanworkstation depend= bowser/mrxsmb10/nsi"));
  EXPECT_EQ(off->commands[1], std::string("SC config mrxsmb20 start= disabled"));
  EXPECT_EQ(off->captionAfter, "Enable Client SMB2");
  EXPECT_EQ(ClientSmb2SwitchLog(*off, "Command: A\r\n[SC] ChangeServiceConfig SUCCESS", "Command: B\r\n"),
            "Disabling Client SMB2\r\nCommand: A\r\n[SC] ChangeServiceConfig SUCCESS\r\nCommand: B\r\n\r\n"
            "Restart your computer to activate this change\r\n\r\n");

  const std::optional<ClientSmb2Switch> on = ClientSmb2SwitchFor("Enable Client SMB2");
  ASSERT_TRUE(on);
  EXPECT_EQ(on->commands[0], std::string("SC config lanmanworkstation depend= bowser/mrxsmb10/mrxsmb20/nsi"));
  EXPECT_EQ(on->commands[1], std::string("SC config mrxsmb20 start= auto"));
  EXPECT_EQ(on->captionAfter, "Disable Client SMB2");
  EXPECT_TRUE(ClientSmb2SwitchLog(*on, "", "").starts_with("Enabling Client SMB2\r\n"));

  for (const char* caption : {"Exit", "Client SMB2", "disable client smb2", ""})
    EXPECT_FALSE(ClientSmb2SwitchFor(caption)) << caption;
}

TEST(Smb2, OnlyAServerValueOfOneIsOnAndEachServerCaptionWritesTheOtherValue) {
  EXPECT_EQ(ServerSmb2Caption(kServerSmb2Absent), "Disable Server SMB2");
  EXPECT_EQ(ServerSmb2Caption(0), "Enable Server SMB2");
  EXPECT_EQ(ServerSmb2Caption(2), "Enable Server SMB2");
  EXPECT_EQ(ServerSmb2Caption(0xFFFFFFFF), "Enable Server SMB2");

  const std::optional<ServerSmb2Switch> off = ServerSmb2SwitchFor("Disable Server SMB2");
  ASSERT_TRUE(off);
  EXPECT_EQ(off->value, 0u);
  EXPECT_EQ(off->log, "Server SMB2 Disabled in the Registry\r\nRestart your computer to activate this change\r\n\r\n");
  const std::optional<ServerSmb2Switch> on = ServerSmb2SwitchFor("Enable Server SMB2");
  ASSERT_TRUE(on);
  EXPECT_EQ(on->value, 1u);
  EXPECT_EQ(on->log, "Server SMB2 Enabled in the Registry\r\nRestart your computer to activate this change\r\n\r\n");
  for (const char* caption : {"Server SMB2", "Exit", "Disable Client SMB2"})
    EXPECT_FALSE(ServerSmb2SwitchFor(caption)) << caption;

  EXPECT_EQ(ServerSmb2RegistryError("Registry data not a DWORD", 0x800407D1, false),
            "Registry data not a DWORD (error 800407D1)\r\n"
            "HKLM\\SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters\\Smb2");
  EXPECT_EQ(ServerSmb2RegistryError("Could not open/create registry section", 0x800407D5, true),
            "Could not open/create registry section (error 800407D5)\r\n"
            "HKLM\\SYSTEM\\CurrentControlSet\\Services\\LanManServer\\Parameters\\Smb2\r\nNothing was changed.");
}

TEST(Smb2, TheLogFillsTheWindowWithinItsMarginsAndKeepsASideThatWouldNotBePositive) {
  struct Case {
    int width, height, top;
    Smb2LogSize size;
  } cases[] = {
      {7200, 4800, 615, {6960, 4065}},
      {241, 736, 615, {1, 1}},
      {240, 735, 615, {std::nullopt, std::nullopt}},  // too small either way
      {100, 4800, 615, {std::nullopt, 4065}},
      {7200, 300, 615, {6960, std::nullopt}},
      {0, 0, 615, {std::nullopt, std::nullopt}},  // minimised
  };
  for (const Case& c : cases)
    EXPECT_EQ(Smb2LogSizeFor(c.width, c.height, c.top), c.size) << c.width << " x " << c.height;
}

}  // namespace
}  // namespace lw
