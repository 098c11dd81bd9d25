// The component's pure rules: the error table, state and dialog texts, the Windows version text,
// names derived from UpdaterName, version numbers, progress collapsing and the progress window.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>

#include "common/updara_errors.h"
#include "component/progress_view.h"
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
  EXPECT_STREQ(StateText(0), "Not connected - idle.");
  EXPECT_STREQ(StateText(2), "Downloading updated files.");
  EXPECT_STREQ(StateText(3), "Replacing files.");
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

TEST(ProgressView, TextsOfAFetchAndThePlacesOfItsPictures) {
  const std::pair<const char*, const char*> labels[] = {
      {"/dir/app.exe.gz", "app.exe"}, {"/f.bin?x=1/y.gz", "f.bin"}, {"C:\\upd\\ledger.dll", "ledger.dll"}};
  for (const auto& [url, label] : labels) EXPECT_EQ(FileLabelOf(url), label) << url;
  EXPECT_EQ(ProgressTitle(42, "Downloading"), "(42%) Downloading..");
  // Sizes in whole hundredths, cut: up to 1,024 the bytes, then KB, above 1,048,576 MB.
  EXPECT_EQ(ByteText(1500, 3000), "1.50 KB / 3.00 KB");
  EXPECT_EQ(ByteText(1024, 2097152), "1024 / 2.04 MB");
  EXPECT_EQ(ByteText(2048, 0), "2.04 KB") << "no total: the bytes alone";
  const std::tuple<long long, long long, int> percents[] = {{50, 200, 25}, {199, 200, 99}, {300, 200, 100}, {5, 0, 0}};
  for (const auto& [received, total, percent] : percents) EXPECT_EQ(PercentOf(received, total), percent) << received;
  // The highlight sweeps right to 108, jumps to -111 and comes back; the bar bounces between 0 and 5.
  EXPECT_EQ(std::make_tuple(NextSweep(105), NextSweep(108), NextSweep(-3)), std::make_tuple(108, -111, 0));
  const Bounce top = NextBounce({5, 1}), bottom = NextBounce({0, -1}), middle = NextBounce({4, 1});
  EXPECT_EQ(std::make_tuple(top.position, top.step, bottom.position, bottom.step, middle.position, middle.step),
            std::make_tuple(4, -1, 1, 1, 5, 1));
  EXPECT_EQ(std::make_tuple(HeaderLeft(400), HeaderLeft(357), SeparatorTiled(360), SeparatorTiled(359)),
            std::make_tuple(21, 0, true, false));
  // The note link of a 400 x 200 client whose text is 100 pixels wide: the bottom 18 rows, from x 297.
  const std::tuple<int, int, bool, bool> points[] = {{297, 182, true, true},  {399, 199, true, true},
                                                     {296, 190, true, false}, {350, 181, true, false},
                                                     {350, 200, true, false}, {350, 190, false, false}};
  for (const auto& [x, y, haveUrl, over] : points)
    EXPECT_EQ(OverNoteLink(x, y, 400, 200, 100, haveUrl), over) << x << "," << y;
  const std::pair<const char*, const char*> commands[] = {
      {"\"C:\\Web\\web.exe\" -nohome \"%1\"", "\"C:\\Web\\web.exe\" -nohome http://x/"},
      {"web.exe %1 -new", "web.exe http://x/"},
      {"web.exe", "web.exe http://x/"}};
  for (const auto& [registered, command] : commands) EXPECT_EQ(HtmCommandFor(registered, "http://x/"), command);
}

}  // namespace
