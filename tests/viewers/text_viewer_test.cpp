#include "app/viewers/text_viewer.h"

#include <gtest/gtest.h>

#include <tuple>

namespace lw {
namespace {

using namespace std::string_literals;

TEST(TextViewer, NormalisedLineEndsAreCrLfWithoutEmptyLinesOrTrailingBlanks) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"A\nB\n", "A\r\nB\r\n"},
      {"A\rB\n\rC", "A\r\nB\r\nC\r\n"},
      {"A  \t\n \x1A\0"s, "A\r\n"},      // blanks and control characters at the end go, the NUL too
      {"A \nB", "A \r\nB\r\n"},          // blanks inside stay
      {"\nA", "\r\nA\r\n"},              // one line end at the start stays, as line ends are only merged
      {"\xE9t\xE9\n", "\xE9t\xE9\r\n"},  // letters above 127 are not taken for control characters
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseLineEnds(c.in), c.out) << c.in;
}

TEST(TextViewer, FilesAreShownByTheirKindAndOnlyWhatCanBeSavedBackIsEditable) {
  struct Case {
    const char* path;
    bool exists;
    std::optional<std::string> bytes;
    std::string text;
    std::vector<std::string> lines;
    bool readOnly, saveable;
  } cases[] = {
      {"c:\\r\\ERRORS.RPT", true, "one\0two"s, "one\r\ntwo", {"one", "two"}, true, false},
      {"c:\\r\\errors.rpt.txt", true, "one"s, "one", {}, false, true},  // kinds by the end of the path, in any case
      {"c:\\s\\mycompany", true, "A\n\nB"s, "A\n\nB", {}, false, true},
      {"c:\\s\\Company", true, "A\n\nB  \n"s, "A\r\nB\r\n", {}, false, true},
      {"c:\\s\\sage.ini", true, "[x]\r\na=1\n\n"s, "[x]\r\na=1\n\n", {}, false, true},
      // A NUL in a file that is not a report could not be saved back as it was.
      {"c:\\s\\sage.ini", true, "a\0b"s, "a\r\nb", {}, true, false},
      {"c:\\s\\sage.ini", false, std::nullopt, "File Not Found", {}, true, false},
  };
  for (const Case& c : cases) {
    const ViewerText v = ViewOfFile(c.path, c.exists, c.bytes);
    EXPECT_EQ(v.text, c.text) << c.path;
    EXPECT_EQ(v.reportLines, c.lines) << c.path;
    EXPECT_EQ(std::pair(v.readOnly, v.saveable), std::pair(c.readOnly, c.saveable)) << c.path;
  }
  // A file there but not readable (held, too large) is never shown empty, where an edit and a
  // save would replace what could not be seen.
  const ViewerText unreadable = ViewOfFile("c:\\s\\company", true, std::nullopt);
  EXPECT_TRUE(unreadable.readOnly && !unreadable.saveable && !unreadable.text.empty()) << unreadable.text;
  EXPECT_NE(unreadable.text, kFileNotFound);
}

TEST(TextViewer, TheExclusionFilterHidesLinesHoldingTheTextInAnyCaseFromThreeCharacters) {
  const std::vector<std::string> lines = {"Error in ABC", "ok", "abcdef", "Aa", ""};
  const std::string content = "as loaded";
  struct Case {
    const char* exclusion;
    std::string shown;
  } cases[] = {
      {"", "as loaded"},
      {"ABC", "ok\r\nAa\r\n"},
      {"aBcD", "Error in ABC\r\nok\r\nAa\r\n"},
      {"   ", "Error in ABC\r\nok\r\nabcdef\r\nAa\r\n"},  // three blanks: no line holds them
  };
  for (const Case& c : cases) EXPECT_EQ(FilteredReport(lines, content, c.exclusion), c.shown) << c.exclusion;
  EXPECT_EQ(FilteredReport({"abc"}, content, "abc"), "") << "every line excluded";
}

TEST(TextViewer, ThePositionComesBackAsStoredWithinTheScreen) {
  const Placement screen{0, 0, 19200, 14400};  // 1280 x 960 pixels
  struct Case {
    const char *left, *top, *width, *height;
    Placement restored;
  } cases[] = {
      {"", "", "", "", {0, 0, 10800, 7500}},                          // nothing stored: the defaults
      {" 1500 ", "x", "9000abc", "", {1500, 0, 9000, 7500}},          // what is no number keeps its default
      {"-600", "-30000", "9000", "6000", {0, 0, 9000, 6000}},         // off the top left
      {"30000", "20000", "9000", "6000", {10200, 8400, 9000, 6000}},  // off the bottom right
      {"0", "0", "99999999999", "40000", {0, 0, 19200, 14400}},       // never larger than the screen
  };
  for (const Case& c : cases)
    EXPECT_EQ(RestoredPlacement(c.left, c.top, c.width, c.height, screen), c.restored) << c.left << "," << c.top;
  // A second screen to the left of the first one.
  EXPECT_EQ(RestoredPlacement("-15000", "300", "9000", "6000", {-19200, 0, 38400, 14400}),
            (Placement{-15000, 300, 9000, 6000}));
}

TEST(TextViewer, EditsAreMarkedSavedAndReportedAndTheControlsFillTheWindow) {
  const std::tuple<const char*, const char*, bool, ChangeView> changes[] = {
      {"a", "a", true, {kUneditedColour, false}},
      {"ab", "a", true, {kEditedColour, true}},
      {"ab", "a", false, {kEditedColour, false}}};  // a report: marked, never saved
  for (const auto& [shown, content, saveable, view] : changes) {
    const ChangeView v = ChangeViewOf(shown, content, saveable);
    EXPECT_EQ(std::pair(v.backColour, v.saveEnabled), std::pair(view.backColour, view.saveEnabled)) << shown;
  }
  EXPECT_EQ(TextToSave("c:\\s\\COMPANY", "A\n\nB "), "A\r\nB\r\n");
  EXPECT_EQ(TextToSave("c:\\s\\sage.ini", "A\n\nB "), "A\n\nB ");
  EXPECT_EQ(SaveFailedMessage("c:\\s\\sage.ini", "Access is denied."),
            "The file c:\\s\\sage.ini was not saved:\r\nAccess is denied.\r\n\r\n"
            "The file is unchanged, and your edits are still in the window.");
  EXPECT_EQ(PlacementKey("Width"), "WidthTextEdit");
  const forms::Rect exc{120, 120, 3000, 285};
  const TextEditLayout wide = LayoutTextEdit(9000, 6000, 2400, 600, exc),
                       narrow = LayoutTextEdit(2000, 6000, 2400, 600, exc);
  EXPECT_EQ(std::tuple(wide.rtbMain, wide.picButtons, wide.picBottom, wide.txtExc),
            std::tuple(forms::Rect{0, 0, 9000, 5160}, forms::Rect{6480, 5280, 2400, 600},
                       forms::Rect{0, 5280, 6480, 600}, forms::Rect{120, 120, 6240, 285}));
  EXPECT_EQ(std::pair(narrow.picBottom.width, narrow.txtExc.width), std::pair(0, 0)) << "never a negative width";
}

}  // namespace
}  // namespace lw
