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

// The texts and command lines of each state and switch are compared whole under Wine
// (frm_smb2_win_test.cpp); here, the captions that switch nothing.
TEST(Smb2, OnlyTheSwitchesOwnCaptionsSwitch) {
  for (const char* caption : {"Exit", "Client SMB2", "disable client smb2", "Disable Server SMB2", ""})
    EXPECT_FALSE(ClientSmb2SwitchFor(caption)) << caption;
  for (const char* caption : {"Server SMB2", "Exit", "Disable Client SMB2", "enable server smb2"})
    EXPECT_FALSE(ServerSmb2SwitchFor(caption)) << caption;
  EXPECT_EQ(ServerSmb2Caption(0xFFFFFFFF), "Enable Server SMB2") << "only exactly 1 is on";
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
