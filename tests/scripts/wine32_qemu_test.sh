#!/usr/bin/env bash
# The emulated way of running the i686 suite, forced even where the kernel runs 32-bit code itself:
# its own prefix, every i386 program of the root sent to qemu-user by the namespace's binfmt_misc
# rule, and a few tests of the suite: a window, the component's registration, late binding, events
# and threads, the stand-in engine and the registry views.
#   wine32_qemu_test.sh lw_win_tests.exe
set -euo pipefail
tests=$(realpath "$1")
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
export LW_WIN32_EXEC=qemu
LW_WINEPREFIX=$(dirname "$(dirname "$tests")")/wineprefix-qemu
export LW_WINEPREFIX
trap '"$scripts/wine-stop.sh" "$LW_WINEPREFIX"' EXIT

# The emulator traces the system calls of what it runs when asked to: a native run prints none.
traced=$("$scripts/wine32-run.sh" --prefix "$LW_WINEPREFIX" \
  sh -c 'QEMU_STRACE=1 /usr/lib/wine/wine --version 2>&1' | grep -c 'exit_group(0)' || true)
if [ "$traced" -eq 0 ]; then
  echo "FAILED: the 32-bit Wine loader did not run under qemu-i386"
  exit 1
fi
"$scripts/wine32-run.sh" "$tests" \
  --gtest_filter='RegistryViews.*:UpdaraRegistration.*:UpdaraCom.CheckFires*:UpdaraCom.ClientsOnOtherThreads*:UpdaraCom.AVBScript*:SdoDispatch.*:AboutWindow.TheUpdateClick*'
