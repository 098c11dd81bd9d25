// Entry point of the Windows test suite.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/shell/startup_win.h"
#include "tests/fixtures/test_env_win.h"

int main(int argc, char** argv) {
  if (lw::fixtures::RunFileHolder(argc, argv)) return 0;
  // Plain LF output: CTest reads the test list from this program's standard output.
  _setmode(_fileno(stdout), _O_BINARY);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  lw::InstallProgramHooks();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
