#include "app/state/program.h"

#include "app/tools/text.h"

namespace lw {

std::string FormatIsoDate(CalendarDate d) { return Format("%04d-%02d-%02d", d.year, d.month, d.day); }

}  // namespace lw
