// The start-up procedure that runs before any window exists.
#pragma once

#include <string>

namespace lw {

// Runs the program: start-up decisions, then the main window until it closes. Returns the exit code.
int Main(const std::string& commandLine);

// Every application-wide value and every cache of the program back at its start: the state of
// the start-up, the installation, setup.dta, the SDO session, the workstation and the data files,
// the file the text viewer shows, what the tools keep of files, the clock, and whether the program
// has ended. Settings are not touched.
void ResetApplicationState();

// What the tools below ask of the program: window events to run while a wait goes on, and the
// please-wait notice before a link is opened. Main installs them; so does the test program.
void InstallProgramHooks();

// Builds with the tests (never the shipped one) take the update host from
// HKEY_LOCAL_MACHINE\SOFTWARE\Ledgerwell\LocalUpdates "UpdateHost" ("127.0.0.1:8443") when it is
// set, so that a whole self-update can run against a server on this machine.
inline constexpr const char* kLocalUpdateHostSection = "LocalUpdates";
inline constexpr const char* kLocalUpdateHostValue = "UpdateHost";

// After a self-update ("NewUpdate" is "Y") the About window is shown once, modally. True when the
// program is to end afterwards (the update flow asked for it).
bool ShowAboutAfterUpdate();

}  // namespace lw
