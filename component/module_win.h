// The DLL's own module: its instance handle and the one count that DllCanUnloadNow reads.
#pragma once

#include <windows.h>

#include <string>

namespace updara {

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();

// Held by every live object and class-factory lock; the DLL may unload only when it is zero.
void ModuleAddRef();
void ModuleRelease();
bool ModuleInUse();

// Full path of the module; empty when it cannot be read (GetLastError says why).
std::wstring ModulePath(HMODULE module);

}  // namespace updara
