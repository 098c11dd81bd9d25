// The program's own facts that portable rules take as input: the day on the clock.
#pragma once

#include <string>

namespace lw {

struct CalendarDate {
  int year, month, day;
};
// "yyyy-mm-dd", the form of the date settings.
std::string FormatIsoDate(CalendarDate d);

}  // namespace lw
