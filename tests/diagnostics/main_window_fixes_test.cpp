// The rules of the main window's fixes: the sharing values and the report temporary folder.
#include <gtest/gtest.h>

#include "app/diagnostics/file_sharing.h"
#include "app/diagnostics/report_temp.h"
#include "app/tools/colours.h"

namespace lw {
namespace {

// The values other than 0 and 1, which the window's tests do not meet.
TEST(FileSharing, ValuesOtherThanZeroAndOneAreJudgedPerValue) {
  EXPECT_EQ(EnableOplocksView(2).caption, "0 - Disabled") << "anything but 1 disables the server's oplocks";
  EXPECT_EQ(EnableOplocksFix(0xFFFFFFFF), 1u);
  EXPECT_EQ(OplocksDisabledFix(0xFFFFFFFF), 0u);
  EXPECT_FALSE(SigningView(0xFFFFFFFF).needsFix) << "only exactly 1 is signing on";
  EXPECT_EQ(SigningFix(0xFFFFFFFF), 0u) << "yet any non-zero value is rewritten";
  EXPECT_FALSE(UnreadableView().needsFix);
}

TEST(ReportTemp, TheFolderItsProposalAndTheFullPathsTheFixTakes) {
  EXPECT_FALSE(ReportTempApplies("6"));
  EXPECT_TRUE(ReportTempApplies("12a"));
  EXPECT_FALSE(ReportTempApplies("v12")) << "no leading number counts as 0";
  EXPECT_EQ(ReportTempProposal("D:\\Apps\\Sage", "12"), "d:\\apps\\sage\\Rep_Temp") << "normalised first";
  EXPECT_EQ(ReportTempProposal("C:\\Program Files (x86)\\Sage\\Accounts\\", "18"), "C:\\Sage\\V18_Temp");
  const ReportTempView present = ReportTempViewOf({"18", "", "D:\\Temp", "", true});
  EXPECT_EQ(present, (ReportTempView{ReportTempState::Present, "Report Temp Folder v18", "D:\\Temp", kGoodColour, ""}));
  EXPECT_FALSE(present.NeedsFix());

  // Only a full path is taken, and a root keeps its backslash.
  const struct {
    const char* box;
    const char* path;  // what the fix would create and store
    bool refused;
  } kCases[] = {
      {" C:\\Sage\\Temp\\ ", "C:\\Sage\\Temp", false},
      {"C:\\Sage\\Temp\\\\", "C:\\Sage\\Temp\\", false},  // two backslashes lose one
      {"C:\\", "C:\\", false},                            // the root, not drive C's current folder
      {"\\\\Server\\Share\\Temp\\", "\\\\Server\\Share\\Temp", false},
      {"C:", "C:", true},
      {"..\\RepTemp", "..\\RepTemp", true},
      {"\\Temp", "\\Temp", true},  // the root of whichever drive is current
      {"\\\\.\\PhysicalDrive0", "\\\\.\\PhysicalDrive0", true},
      {"   ", "", true},
  };
  for (const auto& c : kCases) {
    const std::string path = ReportTempFixPath(c.box);
    EXPECT_EQ(path, c.path) << c.box;
    const std::string refusal = ReportTempPathRefusal(path);
    EXPECT_EQ(!refusal.empty(), c.refused) << c.box;
    EXPECT_TRUE(!c.refused || refusal.find(path) != std::string::npos) << "names the path: " << refusal;
  }
}

}  // namespace
}  // namespace lw
