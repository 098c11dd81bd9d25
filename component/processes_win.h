// The running processes as the component and its updater need them: who has a file loaded, and
// ending the processes that run a program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace updara {

struct RunningProcess {
  DWORD id = 0;
  std::string exeName;     // as the process list names it
  std::string mainModule;  // the full path of its program
};

// Whether two paths name the same file as Windows compares file names (letter case does not count).
bool SamePath(const std::string& a, const std::string& b);

// The processes that have the file loaded as a module, other than those running the same program
// as the calling process. Processes that may not be looked into are left out.
std::vector<RunningProcess> ProcessesUsing(const std::string& path);

// The processes whose program is that file, the calling process excepted.
std::vector<DWORD> ProcessesRunning(const std::string& program);

// Ends every process whose program is that file (the calling process excepted), looking again
// while one was found, at most ten times. Answers how many were ended.
int EndProcessesRunning(const std::string& program, UINT exitCode);

// Ends one process by its ID; false when it cannot be opened or ended.
bool EndProcess(DWORD id, UINT exitCode);

}  // namespace updara
