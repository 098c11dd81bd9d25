#include "app/diagnostics/workstation.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(Workstation, ProcessorWidthBecomesBits) {
  EXPECT_EQ(CpuWidthText("64"), "64bit");
  EXPECT_EQ(CpuWidthText(" 32 "), "32bit");
  EXPECT_EQ(CpuWidthText(""), "") << "an unknown width adds nothing";
}

TEST(Workstation, KnownVersionsAreNamedWithServicePackWidthAndRights) {
  EXPECT_EQ(WindowsVersionText("6.1.2.7601.Service Pack 1", "64bit", true),
            "Windows 7 64bit Service Pack 1 (Administrator)");
  EXPECT_EQ(WindowsVersionText("5.1.2.2600", "32bit", false), "Windows XP (Normal User)");
  EXPECT_EQ(WindowsVersionText("5.1.2.2600.Service Pack 3", "", false), "Windows XP Service Pack 3 (Normal User)");
  // Each row of the table is told apart by its first six characters, platform included.
  EXPECT_EQ(WindowsVersionText("4.0.1.950", "", false), "Windows 95 (Normal User)");
  EXPECT_EQ(WindowsVersionText("4.10.1998", "", false), "Windows 98 (Normal User)");
  EXPECT_EQ(WindowsVersionText("4.90.1.3000", "", false), "Windows ME (Normal User)");
  EXPECT_EQ(WindowsVersionText("4.0.2.1381.Service Pack 6", "", true), "Windows NT Service Pack 6 (Administrator)");
  EXPECT_EQ(WindowsVersionText("5.0.2.2195", "", true), "Windows 2000 (Administrator)");
  EXPECT_EQ(WindowsVersionText("5.2.2.3790", "64bit", true), "Windows 2003 64bit (Administrator)");
  EXPECT_EQ(WindowsVersionText("6.0.2.6002.Service Pack 2", "32bit", false),
            "Windows Vista Service Pack 2 (Normal User)");
}

TEST(Workstation, OtherVersionsAreShownInFull) {
  EXPECT_EQ(WindowsVersionText("6.2.2.9200", "64bit", true), "6.2.2.9200 64bit (Administrator)");
  EXPECT_EQ(WindowsVersionText("10.0.2.19045.", "64bit", false), "10.0.2.19045. 64bit (Normal User)");
  // "6.1.1." is not Windows 7: the platform field is part of the match.
  EXPECT_EQ(WindowsVersionText("6.1.1.7600", "", false), "6.1.1.7600 (Normal User)");
  // Without the component nothing is known but the processor width.
  EXPECT_EQ(WindowsVersionText("", "64bit", false), " 64bit (Normal User)");
  EXPECT_EQ(OsDetailsText("6.1.2.7601.Service Pack 1", "64bit"), "6.1.2.7601.Service Pack 1 64bit");
  EXPECT_EQ(OsDetailsText("5.1.2.2600", ""), "5.1.2.2600");
  EXPECT_EQ(OsDetailsText("", "64bit"), "64bit");
}

TEST(Workstation, Smb2ToolIsOfferedFromVersionSixOn) {
  EXPECT_FALSE(Smb2MenuVisible("5.2.2.3790 64bit"));
  EXPECT_TRUE(Smb2MenuVisible("6.0.2.6002.Service Pack 2 32bit"));
  EXPECT_TRUE(Smb2MenuVisible("10.0.2.19045. 64bit"));
  EXPECT_FALSE(Smb2MenuVisible(""));
  // Details that hold only the processor width must not read as version 64.
  EXPECT_FALSE(Smb2MenuVisible("64bit"));
}

TEST(Workstation, FirstSourceDescribesEachProductAndTheLastDecidesTheColour) {
  AntiVirusProduct shield{"Acme Shield", "Acme Ltd", "8.5", true, false};
  AntiVirusReport one = DescribeAntiVirus({shield});
  EXPECT_EQ(one.text, "Acme Shield 8.5 is enabled and out of date");
  EXPECT_EQ(one.companies, "Acme Ltd");
  EXPECT_EQ(one.colour, kWarningColour);

  AntiVirusProduct guard{" Guard ", " Guard Inc ", "", true, true};
  AntiVirusReport two = DescribeAntiVirus({shield, guard});
  EXPECT_EQ(two.text, "Acme Shield 8.5 is enabled and out of date Guard is enabled and up to date");
  EXPECT_EQ(two.companies, "Acme Ltd Guard Inc");
  EXPECT_EQ(two.colour, kNormalColour) << "the second product decides";

  AntiVirusProduct off{"Sleepy", "", "1", false, true};
  AntiVirusReport three = DescribeAntiVirus({guard, off});
  EXPECT_EQ(three.text, "Guard is enabled and up to date Sleepy 1 is disabled and up to date");
  EXPECT_EQ(three.companies, "Guard Inc") << "a product without a maker adds no blank";
  EXPECT_EQ(three.colour, kWarningColour);

  // A product without a name is skipped entirely, its maker and state included.
  AntiVirusReport unnamed = DescribeAntiVirus({guard, {"  ", "Ghost Co", "2", false, false}});
  EXPECT_EQ(unnamed.text, "Guard is enabled and up to date");
  EXPECT_EQ(unnamed.companies, "Guard Inc");
  EXPECT_EQ(unnamed.colour, kNormalColour);

  AntiVirusReport none = DescribeAntiVirus({});
  EXPECT_EQ(none.text, "");
  EXPECT_EQ(none.companies, "");
  EXPECT_EQ(none.colour, kNormalColour);
}

TEST(Workstation, SecondSourceListsNamesOnly) {
  EXPECT_EQ(ListAntiVirusNames({" Defender ", "", "Acme Shield"}), "Defender Acme Shield");
  EXPECT_EQ(ListAntiVirusNames({" "}), "");
}

TEST(Workstation, MemoryFiguresRoundToWholeUnitsAndEightyPercentWarns) {
  constexpr uint64_t kKb = 1024;
  MemoryReport normal = DescribeMemory(79, 2095848 * kKb, 523412 * kKb);
  EXPECT_EQ(normal.caption, "1536Mb of 2047Mb (79%)");
  EXPECT_EQ(normal.tip, "Available: 523412Kb  Total Physical: 2095848Kb");
  EXPECT_EQ(normal.colour, kNormalColour);

  MemoryReport warning = DescribeMemory(80, 2095848 * kKb, 523412 * kKb);
  EXPECT_EQ(warning.caption, "1536Mb of 2047Mb (80%)");
  EXPECT_EQ(warning.tip, "A Memory Upgrade is Recommended");
  EXPECT_EQ(warning.colour, kWarningColour);

  // Halves round up, less than half down; bytes below a kilobyte are rounded the same way.
  EXPECT_EQ(DescribeMemory(50, 1048576 * 3 / 2, 0).caption, "2Mb of 2Mb (50%)");
  EXPECT_EQ(DescribeMemory(50, 1048576 + 524287, 1535).tip, "Available: 1Kb  Total Physical: 1536Kb");
  EXPECT_EQ(DescribeMemory(50, 1048576 + 524287, 1535).caption, "1Mb of 1Mb (50%)");
  // More than 4 GB, and an available figure above the total, which must not wrap round.
  EXPECT_EQ(DescribeMemory(25, 16ull << 30, 12ull << 30).caption, "4096Mb of 16384Mb (25%)");
  EXPECT_EQ(DescribeMemory(100, 1 << 20, 2 << 20).caption, "0Mb of 1Mb (100%)");
}

TEST(Workstation, DataLocationFollowsTheStartOfThePath) {
  const std::string unc = "UNC Path - You should be using a mapped drive letter";
  EXPECT_EQ(DataLocationText("\\\\server\\sage\\ACCDATA", false), unc);
  EXPECT_EQ(DataLocationDrive("\\\\server\\sage"), "");
  EXPECT_EQ(DataLocationDrive("S:\\Sage\\ACCDATA"), "S:");
  EXPECT_EQ(DataLocationText("S:\\Sage\\ACCDATA", true), "Network Data");
  EXPECT_EQ(DataLocationText("c:", false), "Local Data");
  EXPECT_EQ(DataLocationDrive("Data"), "");
  EXPECT_EQ(DataLocationText("Data", true), "") << "a relative path has no drive to judge";
  EXPECT_EQ(DataLocationText("\\Sage", true), "");
  EXPECT_EQ(DataLocationText("C", false), "");
  EXPECT_EQ(DataLocationText("", false), "");
}

}  // namespace
}  // namespace lw
