// Resource IDs of what Updara.dll carries (RCDATA): the two programs it writes out when a
// replacement has to finish after the host has closed, and the publisher's public keys when the
// build has a key ring. Shared by the resource script and the code.
#pragma once

#define IDR_UPDARA_UPDATER 101
#define IDR_UPDARA_RESTARTER 102
#define IDR_UPDARA_KEYRING 103
