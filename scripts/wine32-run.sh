#!/usr/bin/env bash
# Runs a Windows program of the i686 build under the 32-bit Wine of wine32-lib.sh, through
# wine-run.sh inside the cached root: the same private prefix beside the build tree (a 64-bit one,
# in which the 32-bit programs run as on 64-bit Windows), persistent wineserver and Xvfb display.
#   wine32-run.sh program.exe [args...]
#   wine32-run.sh --prefix <prefix> command [args...]   any command inside the root, for that prefix
# The source tree, the prefix's build tree and the program's folder are seen at their own paths,
# and the command starts in the current folder when that is one of them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine32-lib.sh"
source "$here/wine-prefix.sh"

if [ "${1:-}" = --prefix ]; then
  prefix=$(realpath -m "$2")
  shift 2
  dirs=("$(dirname "$prefix")")
  command=(env WINEPREFIX="$prefix" WINEDEBUG="${WINEDEBUG:--all}" "$@")
else
  # A program of Wine's own (regsvr32, cmd) is passed on by name.
  prog=$1
  [ -f "$prog" ] && prog=$(realpath "$prog")
  shift
  prefix=$(lw_wineprefix_for "$prog")
  dirs=("$(dirname "$prefix")")
  [ -f "$prog" ] && dirs+=("$(dirname "$prog")")
  command=("$here/wine-run.sh" "$prog" "$@")
fi

exec_mode=$(lw32_detect_exec)
if [ "$exec_mode" = none ]; then
  lw32_log "this machine runs 32-bit code neither natively nor through qemu-user in a user namespace"
  exit 125
fi
lw32_ensure "$exec_mode"

# Each folder once, and none that lies inside another already bound.
binds=()
for d in "$(dirname "$here")" "${dirs[@]}"; do
  inside=0
  for b in "${binds[@]}"; do
    case $d/ in "$b"/*) inside=1 ;; esac
  done
  if [ $inside = 0 ]; then binds+=("$d"); fi
done

state=$prefix.state
mkdir -p "$state"
# wine-stop.sh stops this prefix's server inside the root.
echo "$exec_mode" >"$state/wine32"
exec_tmp=$state/root-tmp
lw32_enter "$lw32_root" "$exec_mode" "$exec_tmp" "${binds[@]}" -- "${command[@]}"
