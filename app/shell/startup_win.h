// The start-up procedure that runs before any window exists, and the program's message procedure.
#pragma once

#include <string>

#include "app/shell/product.h"
#include "app/shell/startup_rules.h"

namespace lw {

// Runs the program: start-up decisions, then the main window until it closes. Returns the exit code.
int Main(const std::string& commandLine);

// After a self-update ("NewUpdate" is "Y") the About window is shown once, modally. True when the
// program is to end afterwards (the update flow asked for it).
bool ShowAboutAfterUpdate();

// A message box with the critical (16) or exclamation (48) icon; an empty title becomes the
// program's file description.
int ShowMessage(const std::string& text, unsigned style, const std::string& title);

// The running program's version, from its own version resource (the build's numbers when it has
// none); the revision is its third field.
ProgramVersion RunningVersion();
int RunningRevision();

// Today's date on this computer's clock.
CalendarDate Today();

}  // namespace lw
