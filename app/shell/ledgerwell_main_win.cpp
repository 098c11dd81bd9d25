#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/shell/startup_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);
  int rc = lw::Main(commandLine ? commandLine : "");
  OleUninitialize();
  return rc;
}
