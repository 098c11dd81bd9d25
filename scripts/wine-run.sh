#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix.
#   wine-run.sh program.exe [args...]
# The prefix is LW_WINEPREFIX, or "wineprefix" beside the program's build tree (the folder holding
# CMakeCache.txt above the program). It is created on first use, its wineserver is kept alive
# between runs, and an Xvfb display is started when there is no DISPLAY.
set -euo pipefail
# A step that fails says so: a caller sees more than a run that ended without a word.
trap 'echo "wine-run.sh: line $LINENO: \"$BASH_COMMAND\" failed" >&2' ERR

prog=$1
source "$(dirname "$0")/wine-prefix.sh"
root=$(lw_build_root_for "$prog")
export WINEPREFIX
WINEPREFIX=$(lw_wineprefix_for "$prog")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
state=$WINEPREFIX.state
mkdir -p "$state"

# One caller at a time sets up the prefix and the display; the others wait here.
exec 9>"$state/lock"
flock 9
if [ -z "${DISPLAY:-}" ]; then
  if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    DISPLAY=$(cat "$state/xvfb.display")
  else
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    setsid Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    read -r num <"$fifo"
    rm -f "$fifo"
    DISPLAY=:$num
    echo "$DISPLAY" >"$state/xvfb.display"
  fi
  export DISPLAY
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # Its output is kept and shown when it fails; a failed creation is made once more (a second
  # wineboot completes a half-made prefix).
  for attempt in 1 2; do
    wineboot -i >"$state/wineboot.log" 2>&1 && break
    echo "wine-run.sh: creating $WINEPREFIX failed (attempt $attempt); wineboot said:" >&2
    tail -n 20 "$state/wineboot.log" >&2
    [ "$attempt" -eq 2 ] && exit 1
    wineserver -k 2>/dev/null || true
  done
  # Without a window manager on the display, Wine would wait up to 2 s for one each time a
  # managed window is hidden or destroyed; unmanaged windows close at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
fi
# A persistent server: each later process starts in a fraction of a second. When it is new, quiet
# processes start Wine's background services and desktop, so that they do not inherit (and hold
# open) the output of a real program; a caller reading that output to its end would otherwise wait
# for them. The build's desktop keeper (tests/desktop_keeper_main_win.cpp) then holds the desktop,
# which Wine would otherwise end a second after each program and start again for the next one,
# from that program, with its output.
server_id=$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
if ! compgen -G "/tmp/wine-*/server-$server_id/socket" >/dev/null &&
   ! compgen -G "/tmp/.wine-$(id -u)/server-$server_id/socket" >/dev/null; then
  setsid wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  keeper=$root/tests/lw_desktop_keeper.exe
  if [ -f "$keeper" ]; then
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    setsid wine "$keeper" </dev/null >"$fifo" 2>/dev/null &
    # It says "ready" once the desktop is up; it ends with the server.
    read -r -t 60 _ <"$fifo" || true
    rm -f "$fifo"
  fi
fi
flock -u 9
exec 9>&-

# Now and then Wine ends a program before starting it: exit code 1, not a word, within a few
# milliseconds, before the process has even reached the wineserver (seen under CTest on new prefixes
# and under load; never for a program that ran, which takes far longer to start). Such a start is
# made once more.
started=${EPOCHREALTIME//[^0-9]/}
rc=0
wine "$@" || rc=$?
if [ "$rc" -eq 1 ] && [ $(( ${EPOCHREALTIME//[^0-9]/} - started )) -lt 50000 ]; then
  echo "wine-run.sh: Wine ended $prog before starting it; starting it again" >&2
  exec wine "$@"
fi
exit "$rc"
