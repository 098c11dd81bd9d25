#include "app/viewers/printing.h"

#include <gtest/gtest.h>

#include "app/viewers/help_viewer.h"

namespace lw {
namespace {

TEST(Printing, TheSelectionIsPrintedOnlyWhenItWasChosen) {
  struct Case {
    long selStart, selLength, textLength;
    bool chosen;
    CharRange printed;
  } cases[] = {
      {5, 10, 100, true, {5, 15}},    {5, 10, 100, false, {0, 100}},  // "No" to the question: everything
      {0, 0, 100, true, {0, 100}},                                    // nothing selected
      {90, 50, 100, true, {90, 100}},                                 // never past the end
      {-4, 10, 100, true, {0, 10}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RangeToPrint(c.selStart, c.selLength, c.textLength, c.chosen), c.printed)
        << c.selStart << "+" << c.selLength;
}

TEST(HelpViewer, TheDocumentItsAbsenceAndTheWindowsSize) {
  EXPECT_EQ(HelpFile("C:\\App\\"), "C:\\App\\help.rtf");
  EXPECT_EQ(HelpMissingText(HelpFile("C:\\App")), "Sorry - The help file C:\\App\\help.rtf is missing.");
  EXPECT_EQ(HelpCaption(""), "Ledgerwell - Documentation") << "a program without version information";
  // Nine tenths of the screen's height, and no wider than the screen.
  EXPECT_EQ(HelpWindowSize(12000, 19200, 14400), (WindowSize{12000, 12960}));
  EXPECT_EQ(HelpWindowSize(12000, 9600, 7200), (WindowSize{9600, 6480}));
}

}  // namespace
}  // namespace lw
