#include "app/diagnostics/report_temp.h"

#include <gtest/gtest.h>

namespace lw {
namespace {

TEST(ReportTemp, OnlyVersionsAboveSixHaveTheFolder) {
  EXPECT_FALSE(ReportTempApplies("0"));
  EXPECT_FALSE(ReportTempApplies("6"));
  EXPECT_TRUE(ReportTempApplies("7"));
  EXPECT_TRUE(ReportTempApplies("18"));
  EXPECT_FALSE(ReportTempApplies(""));
  EXPECT_FALSE(ReportTempApplies("v12")) << "no leading number counts as 0";
  EXPECT_TRUE(ReportTempApplies("12a"));
  EXPECT_EQ(ReportTempSection("12"), "ODBC.INI\\SageLine50v12");
}

TEST(ReportTemp, ProposalLiesBesideTheProgramUnlessThatIsUnderProgramFiles) {
  EXPECT_EQ(ReportTempProposal("c:\\sage\\line50\\", "12"), "c:\\sage\\line50\\Rep_Temp");
  EXPECT_EQ(ReportTempProposal("D:\\Apps\\Sage", "12"), "d:\\apps\\sage\\Rep_Temp") << "normalised first";
  EXPECT_EQ(ReportTempProposal("c:\\program files\\sage\\accounts\\", "12"), "C:\\Sage\\V12_Temp");
  EXPECT_EQ(ReportTempProposal("C:\\Program Files (x86)\\Sage\\Accounts\\", "18"), "C:\\Sage\\V18_Temp");
  EXPECT_EQ(ReportTempProposal("", "18"), "C:\\Sage\\V18_Temp");
}

TEST(ReportTemp, TheFixTakesOnlyAFullPathAndKeepsARootsBackslash) {
  struct Case {
    const char* box;
    const char* path;  // what the fix would create and store
    bool refused;
  };
  for (const Case& c : {
           Case{" C:\\Sage\\Temp\\ ", "C:\\Sage\\Temp", false},
           Case{"C:\\Sage\\Temp\\\\", "C:\\Sage\\Temp\\", false},  // two backslashes lose one
           Case{"C:\\", "C:\\", false},                          // the root, not drive C's current folder
           Case{"d:\\\\", "d:\\", false},
           Case{"C:/Sage/Temp", "C:/Sage/Temp", false},
           Case{"\\\\Server\\Share\\Temp\\", "\\\\Server\\Share\\Temp", false},
           Case{"\\\\Server\\Share", "\\\\Server\\Share", false},
           Case{"C:", "C:", true},
           Case{"C:Temp", "C:Temp", true},
           Case{"RepTemp", "RepTemp", true},
           Case{"..\\RepTemp", "..\\RepTemp", true},
           Case{"\\Temp", "\\Temp", true},  // the root of whichever drive is current
           Case{"\\\\Server", "\\\\Server", true},
           Case{"\\\\Server\\", "\\\\Server", true},
           Case{"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive0", true},
           Case{"\\\\?\\C:\\Temp", "\\\\?\\C:\\Temp", true},
           Case{"   ", "", true},
       }) {
    const std::string path = ReportTempFixPath(c.box);
    EXPECT_EQ(path, c.path) << c.box;
    const std::string refusal = ReportTempPathRefusal(path);
    EXPECT_EQ(!refusal.empty(), c.refused) << c.box;
    if (c.refused && !path.empty()) {
      EXPECT_NE(refusal.find(path), std::string::npos) << "names the path: " << refusal;
    }
  }
}

}  // namespace
}  // namespace lw
