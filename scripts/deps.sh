#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the tests and the demo need and this machine lacks.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev zlib1g-dev
  wine wine64 libwine-dev
  wixl msitools  # the installer package (installer/)
  xvfb xauth x11-apps imagemagick
  clang
  pandoc  # turns the documentation's Markdown into help.rtf
  python3 python3-pyftpdlib openssl pigz
  debootstrap  # makes the root of the 32-bit Wine (scripts/wine32-lib.sh)
)
# The benchmarks: Google Benchmark, and the download benchmark's timers and reference pipeline.
[ "${1:-}" = "--bench" ] && packages+=(libbenchmark-dev hyperfine time curl qpdf)
[ "${1:-}" = "--coverage" ] && packages+=(gcovr)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  # wine64 only: this machine runs 64-bit Windows programs; never pull in the 32-bit loader.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
