// What printing a document decides before and while the printer gets it: the question when part
// of the text is selected, the characters printed, and when the page loop ends.
#pragma once

#include <string>

namespace lw {

inline constexpr char kPartialPrintTitle[] = "Partial Print";
inline constexpr char kPartialPrintQuestion[] =
    "A portion of the document has been selected.\r\n\r\nDo you want to restrict the print to the selected "
    "portion only ?";

// Characters [first, end) of the text.
struct CharRange {
  long first = 0, end = 0;
  bool operator==(const CharRange&) const = default;
};

// The selection when the print dialog came back with "Selection" chosen (and there is one), else
// the whole text; always within the text.
CharRange RangeToPrint(long selStart, long selLength, long textLength, bool selectionChosen);

// The first character of the next page, given where the page just printed started and where the
// printer stopped; `end` once the range is done, or when a page took nothing (a page the printer
// cannot fill must not print forever).
long NextPageStart(long pageStart, long printedTo, long end);

}  // namespace lw
