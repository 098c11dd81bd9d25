#!/usr/bin/env bash
# The 32-bit Wine's cache rules (scripts/wine32-lib.sh): which cached roots are used as they are
# and which are rebuilt, and the choice of how 32-bit code runs. Needs no network: the builders
# are replaced by ones that only record that they were called.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LW_WIN32_CACHE=$work/cache
source "$here/../../scripts/wine32-lib.sh"

failures=0
check() {  # check <description> <expected> <actual>
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}

# A root as a finished build leaves it, then spoilt in one way per case.
make_root() {
  rm -rf "$lw32_root"
  mkdir -p "$lw32_root"
  local f
  for f in "${lw32_root_files[@]}"; do
    mkdir -p "$lw32_root/$(dirname "$f")"
    : >"$lw32_root/$f"
  done
  printf '%s' "$lw32_root_recipe" >"$lw32_root/$lw32_stamp"
}
lw32_build_root() { echo built >>"$work/calls"; make_root; }
lw32_fetch_qemu() { echo fetched >>"$work/calls"; }
calls() { cat "$work/calls" 2>/dev/null | paste -sd, -; rm -f "$work/calls"; }

cases=(
  "complete:"
  "half-made (no stamp):rm $lw32_root/$lw32_stamp"
  "stale (another recipe):echo 'ledgerwell win32 root 0' >$lw32_root/$lw32_stamp"
  "stamp without the 32-bit loader:rm $lw32_root/usr/lib/wine/wine"
  "stamp without the display:rm $lw32_root/usr/bin/Xvfb"
)
for c in "${cases[@]}"; do
  name=${c%%:*} spoil=${c#*:}
  make_root
  [ -n "$spoil" ] && eval "$spoil"
  expected=built
  [ "$name" = complete ] && expected=""
  lw32_ensure native 2>/dev/null
  check "$name root" "$expected" "$(calls)"
  lw32_is_complete "$lw32_root" "$lw32_root_recipe" "${lw32_root_files[@]}"
  check "$name root is complete afterwards" 0 $?
done

# A build that fails leaves no root behind that would pass for a finished one.
make_root
rm "$lw32_root/$lw32_stamp"
lw32_build_root() { mkdir -p "$lw32_root.new"; return 1; }
lw32_ensure native 2>/dev/null
check "a failed build is reported" 1 $?
lw32_is_complete "$lw32_root" "$lw32_root_recipe" "${lw32_root_files[@]}"
check "a failed build leaves the root incomplete" 1 $?

# The emulator is fetched only for the emulated way, and once.
make_root
lw32_ensure native 2>/dev/null
check "native needs no emulator" "" "$(calls)"
lw32_fetch_qemu() { echo fetched >>"$work/calls"; mkdir -p "$lw32_qemu_dir/usr/bin"; : >"$lw32_qemu";
  printf '%s' "$lw32_qemu_recipe" >"$lw32_qemu_dir/$lw32_stamp"; }
lw32_ensure qemu 2>/dev/null
check "qemu fetches the emulator" fetched "$(calls)"
lw32_ensure qemu 2>/dev/null
check "a fetched emulator is kept" "" "$(calls)"

# A cached folder is replaced whole, old files and all.
mkdir -p "$work/new" "$work/dir"
echo old >"$work/dir/old-only"
echo new >"$work/new/file"
lw32_install_dir "$work/new" "$work/dir"
check "replaced folder" "file" "$(ls "$work/dir")"
check "nothing left beside it" "cache dir" "$(ls "$work" | grep -v calls | paste -sd' ' -)"

# How 32-bit code runs: forced, rejected when misspelt, else detected as one of the three.
check "forced native" native "$(LW_WIN32_EXEC=native lw32_detect_exec)"
check "forced qemu" qemu "$(LW_WIN32_EXEC=qemu lw32_detect_exec)"
check "forced none" none "$(LW_WIN32_EXEC=none lw32_detect_exec)"
LW_WIN32_EXEC=qemu-user lw32_detect_exec >/dev/null 2>&1
check "a misspelt way is an error" 1 $?
detected=$(LW_WIN32_EXEC= lw32_detect_exec)
case $detected in native | qemu | none) ;; *) check "detected way" "native, qemu or none" "$detected" ;; esac
echo "detected here: $detected"

# The probe is a real i386 program: where the kernel runs it, it exits with its own code.
if [ "$detected" = native ]; then
  lw32_kernel_runs_ia32
  check "the probe runs natively" 0 $?
fi

# A kernel without IA-32, as far as a user namespace can make one: its binfmt_misc rule sends every
# i386 program to a program that fails. The emulated way is chosen there, or none where this
# kernel gives no user namespace a binfmt_misc of its own.
if lw32_userns_binfmt; then
  chosen=$(unshare --user --map-root-user --mount -- bash -c '
    source "$1"
    lw32_qemu=/bin/false
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    lw32_binfmt_rule >/proc/sys/fs/binfmt_misc/register
    lw32_kernel_runs_ia32 && echo "the probe still ran"
    LW_WIN32_EXEC= lw32_detect_exec' lw32 "$here/../../scripts/wine32-lib.sh")
  check "without IA-32" qemu "$chosen"
else
  echo "no binfmt_misc in a user namespace here: the choice without IA-32 is not tried"
fi

[ $failures -eq 0 ] && echo "all wine32 cache checks passed"
exit $((failures > 0))
