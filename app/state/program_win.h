// What the program knows of itself at run time, and its one message procedure: every part of the
// program may use these, so they sit below all of them.
#pragma once

#include <string>

#include "app/state/program.h"
#include "common/product.h"

namespace lw {

// A message box with the critical (16) or exclamation (48) icon; an empty title becomes the
// program's file description.
int ShowMessage(const std::string& text, unsigned style, const std::string& title);

// The running program's version, from its own version resource (the build's numbers when it has
// none); the revision is its third field.
ProgramVersion RunningVersion();
int RunningRevision();

// Today's date on this computer's clock.
CalendarDate Today();

// Seconds since midnight on this computer's clock, to the millisecond: what the speed test times
// itself with.
double SecondsSinceMidnight();

}  // namespace lw
