#!/usr/bin/env bash
# Builds everything and runs every test: the portable suite natively under ASan and UBSan, every
# fuzz target for a fixed number of inputs, the Windows suite under Wine (x86_64), and the shipped
# i686 build (built only: it cannot run here).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

cmake --preset native-asan
cmake --build --preset native-asan -j "$jobs"
ctest --preset native-asan -j "$jobs"
scripts/fuzz.sh

cmake --preset win32
cmake --build --preset win32 -j "$jobs"

# Leave no wineserver or virtual display behind.
trap 'scripts/wine-stop.sh "$PWD/build/win64/wineprefix"' EXIT
cmake --preset win64
cmake --build --preset win64 -j "$jobs"
ctest --preset win64 -j "$jobs"
