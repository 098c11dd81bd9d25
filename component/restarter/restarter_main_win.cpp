// UpdaraStr.exe: restarts the host without elevation once an elevated update is done. Written out
// and started by Updara.dll; for now it only starts and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
