#!/usr/bin/env bash
# Runs Ledgerwell on the built-in demo: a synthetic Sage 50 installation and data folder in a Wine
# prefix of its own. Without a screen it runs on a virtual display, saves a screenshot and closes
# the program; with one it saves the screenshot and leaves the program open.
#   scripts/demo.sh [screenshot.png]
#   scripts/demo.sh update [folder]
# "update" shows a whole self-update instead: the program in a folder of its own checks a local
# HTTPS server from its About window, downloads a newer copy of itself, a library and a data file,
# ends, and is started again by the updater with its About window. Screenshots are saved a few
# times a second while it happens (folder/update-NNN.png, by default build/demo/update/).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" = update ]; then
  shots=$(realpath -m "${2:-build/demo/update}")
  scripts/deps.sh
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target lw_win_tests
  export LW_WINEPREFIX=$root/build/demo/update-prefix
  run=$root/scripts/wine-run.sh
  # Wine's own desktop window draws the title bars that a bare X display has no window manager for.
  "$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  "$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1100x760 /f >/dev/null
  WINEPREFIX=$LW_WINEPREFIX wineserver -k
  display=${DISPLAY:-$(cat "$LW_WINEPREFIX.state/xvfb.display")}
  mkdir -p "$shots"
  rm -f "$shots"/update-*.png
  "$run" build/win64/tests/lw_win_tests.exe --gtest_filter='SelfUpdate.*' &
  scenario=$!
  for n in $(seq -w 1 300); do
    kill -0 "$scenario" 2>/dev/null || break
    xwd -root -silent -display "$display" | convert xwd:- "$shots/update-$n.png" || true
    sleep 0.2
  done
  status=0
  wait "$scenario" || status=$?
  [ -n "${DISPLAY:-}" ] || scripts/wine-stop.sh "$LW_WINEPREFIX"
  echo "Screenshots of the self-update: $shots/update-*.png"
  exit "$status"
fi
shot=$(realpath -m "${1:-build/demo/ledgerwell-demo.png}")
scripts/deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Ledgerwell Updara lw_demo_setup

export LW_WINEPREFIX=$root/build/demo/wineprefix
had_display=${DISPLAY:-}
run=$root/scripts/wine-run.sh
"$run" build/win64/tests/lw_demo_setup.exe install
# The update component, registered as the installer would: the Windows version comes from it.
"$run" regsvr32 /s build/win64/component/Updara.dll
# The prefix's programs run in Wine's own desktop window, which draws the title bars and frames
# that a bare X display has no window manager for. It takes effect when the prefix starts afresh.
"$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
"$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1100x760 /f >/dev/null
WINEPREFIX=$LW_WINEPREFIX wineserver -k
"$run" build/win64/app/Ledgerwell.exe &
program=$!
"$run" build/win64/tests/lw_demo_setup.exe wait-window

display=${had_display:-$(cat "$LW_WINEPREFIX.state/xvfb.display")}
mkdir -p "$(dirname "$shot")"
xwd -root -silent -display "$display" | convert xwd:- "$shot"
echo "Screenshot of the demo: $shot"

if [ -z "$had_display" ]; then
  scripts/wine-stop.sh "$LW_WINEPREFIX"
  wait "$program" 2>/dev/null || true
else
  wait "$program"
fi
