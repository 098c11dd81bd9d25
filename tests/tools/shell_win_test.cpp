#include "app/tools/shell_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/shell/frm_please_wait_win.h"
#include "app/tools/files_win.h"
#include "app/tools/paths.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

TEST(Shell, ShellOpenShowsThePleaseWaitNoticeFirstAndAKeyClosesIt) {
  fixtures::ModalSteps pressKey([] {
    HWND notice = fixtures::ThreadForm("frmPleaseWait");
    if (!IsWindowVisible(notice)) return false;
    PostMessageA(notice, WM_CHAR, 'x', 0);
    return true;
  });
  ULONGLONG start = GetTickCount64();
  // A target the shell cannot open: nothing is reported, ShellOpen just returns.
  ShellOpen("Z:\\no\\such\\file.lwtest", nullptr);
  EXPECT_TRUE(pressKey.Finished());
  EXPECT_LT(GetTickCount64() - start, 2500u) << "the key press, not the 3-second timer, closed it";
}

TEST(Shell, PleaseWaitClosesItselfWhenNoKeyIsPressed) {
  frmPleaseWait wait;
  wait.ShowModal();
  EXPECT_FALSE(wait.Loaded());
}

TEST(Shell, ExplorerIsStartedOnTheNormalisedFolderOnly) {
  EXPECT_EQ(ExplorerCommandLine("  "), "");
  EXPECT_EQ(ExplorerCommandLine(" C:\\Sage\\Company.000 "),
            NormaliseFolder(GetWindowsFolder()) + "explorer.exe c:\\sage\\company.000\\");
}

}  // namespace
}  // namespace lw
