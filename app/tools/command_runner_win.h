// Running one of Windows' console tools and taking what it printed, for the diagnostics that ask
// the system's own tools.
#pragma once

#include <windows.h>

#include <string>

namespace lw {

// How long a command may take, from its start to its end, before it is ended.
inline constexpr DWORD kCommandTimeoutMs = 10000;
// What is taken of a command's output: its first read, at most this many bytes.
inline constexpr DWORD kCommandOutputBytes = 500;

// Runs the command line (the program and its arguments in one, the program found as Windows finds
// it) with its standard output into a pipe, at normal priority, its console window hidden, and
// returns its report: "Command: " + the line + a line break, then the command's first output (one
// read of at most kCommandOutputBytes, as ANSI text, blanks collapsed), or why there is none:
// "CreatePipe failed. Error: N", "CreateProcess failed. Error: N" or "ReadFile failed. Error: N"
// with the system's error number. A command that ends without printing anything adds nothing after the line break.
// Returns once the command has ended: one still running after the time is ended, and if it had
// printed nothing by then, the read failed with ERROR_TIMEOUT. Never raises.
std::string RunCommand(const std::string& commandLine, DWORD timeoutMs = kCommandTimeoutMs);

}  // namespace lw
