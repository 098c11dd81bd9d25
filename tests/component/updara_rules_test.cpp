// The component's pure rules: the error table, state and dialog texts, the Windows version text,
// names derived from UpdaterName, version numbers and progress collapsing.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "common/updara_errors.h"
#include "component/updara_text.h"

namespace {

using namespace updara;

// A sample of the component's own texts and the Internet API's; the count catches a row lost.
TEST(UpdaraErrors, TableHoldsTheComponentAndInternetTextsAndNothingElse) {
  EXPECT_STREQ(ErrorText(0), "No error.");
  EXPECT_STREQ(ErrorText(30013), "The update information file is larger than 1 MB.");
  EXPECT_STREQ(ErrorText(12002), "The request has timed out.");
  EXPECT_STREQ(ErrorText(12152), "The server response could not be parsed.");
  EXPECT_EQ(ErrorTableSize(), 113u);  // 31 rows of our own and 82 of the Internet API

  // Every Internet code has its own text, and the gaps between them have none.
  const auto listed = [](long code) {
    return (code >= 12001 && code <= 12034) || (code >= 12036 && code <= 12050) || code == 12052 ||
           (code >= 12054 && code <= 12057) || (code >= 12110 && code <= 12112) || (code >= 12150 && code <= 12174);
  };
  for (long code = 11990; code <= 12200; ++code) {
    const std::string text = ErrorText(code);
    EXPECT_EQ(text == "Unrecognized Error.", !listed(code)) << code;
    EXPECT_FALSE(text.empty()) << code;
  }
  for (long code : {1L, -1L, 30027L}) EXPECT_STREQ(ErrorText(code), "Unrecognized Error.") << code;
  // An automation client reads the number back from the low word.
  EXPECT_EQ(static_cast<std::uint32_t>(ErrorResult(30002)), 0x800A7532u);
}

TEST(UpdaraText, StateAndDialogTexts) {
  EXPECT_STREQ(StateText(1), "Checking for new updates on the server.");
  EXPECT_STREQ(StateText(2), "Downloading updated files.");  // 0 and 3: the Windows suite's
  for (int state : {7, -1}) EXPECT_STREQ(StateText(state), "Unknown state") << state;

  const char* names[] = {"Progress", "Cancel", "Connecting", "Requesting", "Downloading"};
  for (int i = 0; i < kDialogTextCount; ++i) {
    EXPECT_STREQ(DefaultDialogText(i), names[i]);
    EXPECT_EQ(DialogTextIndex(names[i]), i);
  }
  EXPECT_EQ(DialogTextIndex("CANCEL"), 1);
  EXPECT_EQ(DialogTextIndex("cancel "), std::nullopt);
  EXPECT_EQ(DialogTextIndex(""), std::nullopt);
}

TEST(UpdaraText, WinVersionAndUpdaterNames) {
  EXPECT_EQ(FormatWinVersion(10, 0, 2, 19045, ""), "10.0.2.19045.");
  EXPECT_EQ(FormatWinVersion(6, 1, 2, 7601, "Service Pack 1"), "6.1.2.7601.Service Pack 1");

  const UpdaterNames n = NamesFor("C:\\Temp\\", "Ledgerwell");
  EXPECT_EQ(n.replacementList, "C:\\Temp\\Ledgerwell.uda");
  EXPECT_EQ(n.updaterExe, "C:\\Temp\\LedgerwellUpd.exe");
  EXPECT_EQ(n.journal, "C:\\Temp\\Ledgerwell.udj");
  EXPECT_EQ(n.handOverEvent, "Global\\Ledgerwell__ev");
}

TEST(UpdaraText, VersionNumbersSplitAtCommaOrDot) {
  EXPECT_EQ(VersionNumbers("1, 2, 4, 60"), (std::vector<long>{1, 2, 4, 60}));
  EXPECT_EQ(VersionNumbers("1.x.-3"), (std::vector<long>{1, 0, -3}));
  EXPECT_EQ(VersionNumbers("99999999999.1"), (std::vector<long>{2147483647L, 1}));
  EXPECT_EQ(VersionNumbers(std::string(60, '.') + "7").size(), 20u);
}

TEST(UpdaraText, ProgressBurstKeepsTheLatestAndDrainsTheQueue) {
  std::deque<ProgressReport> queue = {{200, 1000}, {300, 1000}, {900, 1000}};
  const ProgressReport latest = CollapseProgress(ProgressReport{100, 1000}, [&]() -> std::optional<ProgressReport> {
    if (queue.empty()) return std::nullopt;
    ProgressReport r = queue.front();
    queue.pop_front();
    return r;
  });
  EXPECT_EQ(latest.position, 900);
  EXPECT_EQ(latest.total, 1000);
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(CollapseProgress(ProgressReport{5, 6}, [] { return std::optional<ProgressReport>(); }).position, 5);
}

}  // namespace
