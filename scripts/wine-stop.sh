#!/usr/bin/env bash
# Stops the wineserver and the Xvfb display that wine-run.sh (or wine32-run.sh) started for a prefix.
#   wine-stop.sh <prefix>
# wineserver only accepts an absolute prefix.
prefix=$(realpath -m "$1")
if [ -f "$prefix.state/wine32" ]; then
  # A prefix of the 32-bit Wine: its server's socket lies in the root's private /tmp. Without a
  # usable root no server of it can be running, and none is built just to be stopped.
  source "$(dirname "$0")/wine32-lib.sh"
  [ -d "$prefix" ] && lw32_is_complete "$lw32_root" "$lw32_root_recipe" "${lw32_root_files[@]}" &&
    "$(dirname "$0")/wine32-run.sh" --prefix "$prefix" wineserver -k 2>/dev/null
else
  [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
fi
if [ -f "$prefix.state/xvfb.pid" ]; then
  kill "$(cat "$prefix.state/xvfb.pid")" 2>/dev/null
  rm -f "$prefix.state/xvfb.pid" "$prefix.state/xvfb.display"
fi
exit 0
