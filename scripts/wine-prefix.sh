# The build tree of a Windows program: the folder holding CMakeCache.txt above it (or its own folder
# when there is none, or the folder does not exist).
lw_build_root_for() {
  local d
  d=$(cd "$(dirname "$1")" 2>/dev/null && pwd) || { dirname "$1"; return; }
  while [ "$d" != / ]; do
    [ -f "$d/CMakeCache.txt" ] && { echo "$d"; return; }
    d=$(dirname "$d")
  done
  cd "$(dirname "$1")" && pwd
}

# The private Wine prefix of a Windows program: LW_WINEPREFIX, or "wineprefix" in the program's
# build tree. Sourced by the run scripts.
lw_wineprefix_for() {
  echo "${LW_WINEPREFIX:-$(lw_build_root_for "$1")/wineprefix}"
}
