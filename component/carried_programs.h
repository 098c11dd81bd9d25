// Resource IDs of the two programs that Updara.dll carries (RCDATA) and writes out when a
// replacement has to finish after the host has closed. Shared by the resource script and the code.
#pragma once

#define IDR_UPDARA_UPDATER 101
#define IDR_UPDARA_RESTARTER 102
