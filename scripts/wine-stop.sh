#!/usr/bin/env bash
# Stops the wineserver and the Xvfb display that wine-run.sh started for a prefix.
#   wine-stop.sh <prefix>
# wineserver only accepts an absolute prefix.
prefix=$(realpath -m "$1")
[ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
if [ -f "$prefix.state/xvfb.pid" ]; then
  kill "$(cat "$prefix.state/xvfb.pid")" 2>/dev/null
  rm -f "$prefix.state/xvfb.pid" "$prefix.state/xvfb.display"
fi
exit 0
