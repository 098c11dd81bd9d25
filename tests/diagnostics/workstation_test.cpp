#include "app/diagnostics/workstation.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(Workstation, WindowsVersionTheSmb2ToolAndTheDataLocation) {
  const struct {
    const char *version, *width;
    bool admin;
    const char* text;
  } kCases[] = {
      {"6.1.2.7601.Service Pack 1", "64bit", true, "Windows 7 64bit Service Pack 1 (Administrator)"},
      {"4.10.1998", "", false, "Windows 98 (Normal User)"},   // told apart by six characters, platform included
      {"6.1.1.7600", "", false, "6.1.1.7600 (Normal User)"},  // not Windows 7: another platform
      {"", "64bit", false, " 64bit (Normal User)"},           // without the component only the width is known
  };
  for (const auto& c : kCases) EXPECT_EQ(WindowsVersionText(c.version, c.width, c.admin), c.text) << c.version;
  EXPECT_EQ(CpuWidthText(" 32 ") + "|" + CpuWidthText(""), "32bit|");
  EXPECT_FALSE(Smb2MenuVisible("5.2.2.3790 64bit"));
  EXPECT_TRUE(Smb2MenuVisible("10.0.2.19045. 64bit"));
  EXPECT_FALSE(Smb2MenuVisible("64bit")) << "details that hold only the width must not read as version 64";

  // The data location follows the start of the path.
  EXPECT_EQ(DataLocationText("\\\\server\\sage", false), "UNC Path - You should be using a mapped drive letter");
  EXPECT_EQ(DataLocationDrive("S:\\Sage\\ACCDATA"), "S:");
  EXPECT_EQ(DataLocationText("S:\\Sage\\ACCDATA", true), "Network Data");
  EXPECT_EQ(DataLocationText("c:", false), "Local Data");
  EXPECT_EQ(DataLocationText("Data", true), "") << "a relative path has no drive to judge";
  EXPECT_EQ(DataLocationText("\\Sage", true), "");
}

// Each named product is described; a product without a name is skipped, maker and state included;
// the colour is the last product's.
TEST(Workstation, AntiVirusProducts) {
  const AntiVirusProduct shield{"Acme Shield", "Acme Ltd", "8.5", true, false},
      guard{" Guard ", " Guard Inc ", "", true, true}, unnamed{"  ", "Ghost Co", "2", false, false};
  const AntiVirusReport r = DescribeAntiVirus({shield, guard, unnamed});
  EXPECT_EQ(r.text, "Acme Shield 8.5 is enabled and out of date Guard is enabled and up to date");
  EXPECT_EQ(r.companies, "Acme Ltd Guard Inc");
  EXPECT_EQ(r.colour, kNormalColour);
  EXPECT_EQ(DescribeAntiVirus({guard, shield}).colour, kWarningColour);
  EXPECT_EQ(ListAntiVirusNames({" Defender ", "", "Acme Shield"}), "Defender Acme Shield");
}

TEST(Workstation, MemoryFiguresRoundToWholeUnitsAndEightyPercentWarns) {
  const MemoryReport normal = DescribeMemory(79, 2095848 * 1024ull, 523412 * 1024ull);
  EXPECT_EQ(normal.caption, "1536Mb of 2047Mb (79%)");
  EXPECT_EQ(normal.colour, kNormalColour);
  EXPECT_EQ(DescribeMemory(80, 2095848 * 1024ull, 523412 * 1024ull).colour, kWarningColour);
  // Halves round up, less than half down; more than 4 GB, and an available figure above the total,
  // which must not wrap round.
  EXPECT_EQ(DescribeMemory(50, 1048576 + 524287, 1535).tip, "Available: 1Kb  Total Physical: 1536Kb");
  EXPECT_EQ(DescribeMemory(50, 1048576 * 3 / 2, 0).caption, "2Mb of 2Mb (50%)");
  EXPECT_EQ(DescribeMemory(25, 16ull << 30, 12ull << 30).caption, "4096Mb of 16384Mb (25%)");
  EXPECT_EQ(DescribeMemory(100, 1 << 20, 2 << 20).caption, "0Mb of 1Mb (100%)");
}

}  // namespace
}  // namespace lw
