// Resource IDs of the progress window (its dialog template and its three GIF pictures) in
// Updara.dll. Shared by the resource script and the code.
#pragma once

#define IDD_UPDARA_PROGRESS 110
#define IDR_PROGRESS_HEADER 111
#define IDR_PROGRESS_HIGHLIGHT 112
#define IDR_PROGRESS_SEPARATOR 113
