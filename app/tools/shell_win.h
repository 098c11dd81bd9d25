// Handing web addresses, mail addresses and folders to the Windows shell.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace lw {

// Shows the please-wait notice, then asks the shell to open the target; failures are not reported.
void ShellOpen(const std::string& target, HWND owner);
// The notice ShellOpen shows first, until it closes itself; installed by the program at start-up.
void SetShellOpenNotice(std::function<void()> notice);
void ShellMailTo(const std::string& address, HWND owner);
// Starts the file explorer on the folder (nothing for a blank path).
void OpenFolderInExplorer(const std::string& path);
// The command line OpenFolderInExplorer runs, empty for a blank path.
std::string ExplorerCommandLine(const std::string& path);

// Puts the text on the clipboard as text (CF_TEXT); false when the clipboard could not be had.
bool CopyTextToClipboard(HWND owner, const std::string& text);

}  // namespace lw
