#!/usr/bin/env bash
# Builds the Windows Installer package of one build.
#   make-msi.sh OUT.msi VERSION MANUFACTURER x64|x86 Ledgerwell.exe Updara.dll help.rtf
# The files go in without their debugging information, staged with the package's source in one
# folder where wixl runs. msibuild then adds what wixl cannot express: the SelfReg table, so that
# Windows Installer calls the component's own DllRegisterServer on install and
# DllUnregisterServer on removal, at the standard places of the execution sequence.
set -euo pipefail
[ $# -eq 7 ] || { echo "usage: $0 OUT.msi VERSION MANUFACTURER x64|x86 PROGRAM.exe COMPONENT.dll HELP.rtf" >&2; exit 2; }
out=$1 version=$2 manufacturer=$3 arch=$4 exe=$5 dll=$6 help=$7
stage=$out.stage
rm -rf "$stage" "$out"
mkdir -p "$stage"
cp "$(dirname "$0")/ledgerwell.wxs" "$stage/"
case $arch in
  x64) strip=x86_64-w64-mingw32-strip ;;
  x86) strip=i686-w64-mingw32-strip ;;
  *) echo "make-msi.sh: no such architecture: $arch" >&2; exit 2 ;;
esac
"$strip" -o "$stage/Ledgerwell.exe" "$exe"
"$strip" -o "$stage/Updara.dll" "$dll"
cp "$help" "$stage/help.rtf"
# wixl's GLib warnings about attributes it does not know are noise; its errors still show.
# wixl looks for the files in its current folder first.
(cd "$stage" && wixl -a "$arch" -o package.msi -D Version="$version" -D Manufacturer="$manufacturer" -D Arch="$arch" \
  ledgerwell.wxs 2> >(grep -v -e 'GLib-GObject-WARNING' -e '^$' >&2))
msibuild "$stage/package.msi" \
  -q 'CREATE TABLE `SelfReg` (`File_` CHAR(72) NOT NULL, `Cost` SHORT PRIMARY KEY `File_`)' \
  -q "INSERT INTO \`SelfReg\` (\`File_\`, \`Cost\`) VALUES ('UpdaraDll', 0)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SelfUnregModules', 2200)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SelfRegModules', 5600)"
mv "$stage/package.msi" "$out"
rm -rf "$stage"
