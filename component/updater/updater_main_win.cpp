// UpdaraUpd.exe: finishes a replacement after the host has closed. Written out and started by
// Updara.dll; for now it only starts and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
