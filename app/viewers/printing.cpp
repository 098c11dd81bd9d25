#include "app/viewers/printing.h"

#include <algorithm>

namespace lw {

CharRange RangeToPrint(long selStart, long selLength, long textLength, bool selectionChosen) {
  textLength = std::max(0L, textLength);
  if (!selectionChosen || selLength <= 0) return {0, textLength};
  const long first = std::clamp(selStart, 0L, textLength);
  return {first, std::clamp(first + selLength, first, textLength)};
}

long NextPageStart(long pageStart, long printedTo, long end) {
  if (printedTo <= pageStart || printedTo >= end) return end;
  return printedTo;
}

}  // namespace lw
