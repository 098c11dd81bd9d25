#!/usr/bin/env bash
# Prepares the 32-bit Wine of wine32-lib.sh and says how this machine will run 32-bit code:
# prints "native" or "qemu" and exits 0, or prints "none" and exits 3 when it can do neither.
set -euo pipefail
source "$(dirname "$0")/wine32-lib.sh"
exec_mode=$(lw32_detect_exec)
echo "$exec_mode"
[ "$exec_mode" = none ] && exit 3
lw32_ensure "$exec_mode"
