// The start-up procedure that runs before any window exists, and the program's message procedure.
#pragma once

#include <string>

namespace lw {

// Runs the program: start-up decisions, then the main window until it closes. Returns the exit code.
int Main(const std::string& commandLine);

// A message box with the critical (16) or exclamation (48) icon; an empty title becomes the
// program's file description.
int ShowMessage(const std::string& text, unsigned style, const std::string& title);

// The running program's revision (third field of its file version).
int RunningRevision();

}  // namespace lw
