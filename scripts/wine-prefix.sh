# The private Wine prefix of a Windows program: LW_WINEPREFIX, or "wineprefix" beside the program's
# build tree (the folder holding CMakeCache.txt above the program). Sourced by the run scripts.
lw_wineprefix_for() {
  if [ -n "${LW_WINEPREFIX:-}" ]; then
    echo "$LW_WINEPREFIX"
    return
  fi
  local d
  d=$(cd "$(dirname "$1")" && pwd)
  while [ "$d" != / ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d/wineprefix"; return; }
    d=$(dirname "$d")
  done
  echo "$(cd "$(dirname "$1")" && pwd)/wineprefix"
}
