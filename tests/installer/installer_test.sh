#!/usr/bin/env bash
# The build's Windows Installer package in a fresh Wine prefix of its own, as a customer meets it:
# an older package installed first, this one upgrading it in place, the installed program started
# through what the package left, then removal, after which nothing of it may be left.
#   installer_test.sh PACKAGE.msi VERSION MANUFACTURER Ledgerwell.exe Updara.dll help.rtf lw_installed_check.exe
set -euo pipefail
msi=$1 version=$2 manufacturer=$3 exe=$4 dll=$5 help=$6 check=$7
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
export LW_WINEPREFIX=$work/prefix
trap '"$source_dir/scripts/wine-stop.sh" "$LW_WINEPREFIX"; rm -rf "$work"' EXIT
wine() { "$source_dir/scripts/wine-run.sh" "$@"; }
# msiexec takes Windows paths; a new prefix maps drive Z: to the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The same files under an older version number: the package of this build must replace it.
IFS=. read -r major minor revision <<<"$version"
older=$major.$minor.$((revision > 0 ? revision - 1 : 0))
[ "$older" != "$version" ] || older=$major.$((minor - 1)).0
"$source_dir/installer/make-msi.sh" "$work/older.msi" "$older" "$manufacturer" x64 "$exe" "$dll" "$help"
cp "$msi" "$work/current.msi"
cp "$check" "$work/check.exe"

dir='C:\Program Files\Ledgerwell'
step() { echo "== $*"; }
step "installing $older"
wine msiexec /i "$(windows_path "$work/older.msi")" /qn
wine "$work/check.exe" installed "$dir" "$older"
step "upgrading to $version"
wine msiexec /i "$(windows_path "$work/current.msi")" /qn
wine "$work/check.exe" installed "$dir" "$version"
step "removing"
wine msiexec /x "$(windows_path "$work/current.msi")" /qn
wine "$work/check.exe" removed "$dir"
echo "the package installed, upgraded an older one, ran, and left nothing when removed"
