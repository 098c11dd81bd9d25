#!/usr/bin/env bash
# Builds everything and runs every test: the portable suite natively under ASan and UBSan, every
# fuzz target for a fixed number of inputs, the Windows suite under the host's Wine (x86_64), and
# the same suite of the shipped i686 build under a 32-bit Wine of its own (scripts/wine32-lib.sh).
# Ends with one line per suite and the total. A suite that could not run is reported as not run,
# never as passed, and fails the run under CI.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
mkdir -p build

# The 32-bit Wine's root is downloaded and unpacked while the compilers run.
scripts/wine32-setup.sh >build/wine32-setup.log 2>&1 &
setup_pid=$!

# Leave no wineserver or virtual display behind.
trap 'scripts/wine-stop.sh "$PWD/build/win64/wineprefix"; scripts/wine-stop.sh "$PWD/build/win32/wineprefix"' EXIT

summary=()
failed=0
# Runs one preset's tests and keeps their counts and time for the summary.
run_suite() {
  local preset=$1 what=$2 rc=0 started=$SECONDS
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "build/$preset/ctest.log" || rc=$?
  local counts total bad
  counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "build/$preset/ctest.log" | tail -n 1 || true)
  if [ -z "$counts" ]; then
    summary+=("$preset: ERROR, ctest gave no result (exit $rc) - $what")
    failed=1
    return
  fi
  bad=${counts%% *}
  total=${counts##* }
  summary+=("$preset: $((total - bad)) passed, $bad failed in $((SECONDS - started)) s - $what")
  passed_all=$((passed_all + total - bad))
  failed_all=$((failed_all + bad))
  if [ "$rc" -ne 0 ] || [ "$bad" -ne 0 ]; then failed=1; fi
}
passed_all=0
failed_all=0

cmake --preset native-asan
cmake --build --preset native-asan -j "$jobs"
run_suite native-asan "portable suite, natively with ASan and UBSan"
fuzz_started=$SECONDS
if scripts/fuzz.sh; then
  summary+=("fuzz: every target ran its inputs without a crash in $((SECONDS - fuzz_started)) s")
else
  summary+=("fuzz: FAILED (see above)")
  failed=1
fi

cmake --preset win64
cmake --build --preset win64 -j "$jobs"
run_suite win64 "Windows suite, x86_64 build under the host's Wine"

cmake --preset win32
cmake --build --preset win32 -j "$jobs"
setup_rc=0
wait "$setup_pid" || setup_rc=$?
cat build/wine32-setup.log
exec_mode=$(head -n 1 build/wine32-setup.log)
skipped=""
if [ "$setup_rc" -eq 0 ]; then
  run_suite win32 "Windows suite, shipped i686 build under 32-bit Wine ($exec_mode)"
elif [ "$exec_mode" = none ]; then
  skipped="this machine runs 32-bit code neither natively nor through qemu-user in a user namespace"
else
  skipped="the 32-bit Wine could not be set up (see build/wine32-setup.log)"
fi
if [ -n "$skipped" ]; then
  banner='!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!'
  printf '%s\n!!! THE 32-BIT SUITE DID NOT RUN: %s\n%s\n' "$banner" "$skipped" "$banner"
  summary+=("win32: NOT RUN - $skipped")
  if [ "${CI:-}" = true ]; then failed=1; fi
fi

echo
echo "== Summary =="
printf '%s\n' "${summary[@]}"
if [ -n "$skipped" ]; then
  echo "NOT COMPLETE: the shipped 32-bit build was not tested; $passed_all passed, $failed_all failed elsewhere"
else
  echo "total: $passed_all passed, $failed_all failed"
fi
exit "$failed"
