// Class factories for every class of the DLL, looked up by CLSID.
#pragma once

#include <windows.h>

namespace updara {

// DllGetClassObject: a factory for a class of this DLL, CLASS_E_CLASSNOTAVAILABLE for another.
HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out);

}  // namespace updara
