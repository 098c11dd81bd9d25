// The GUIDs the IDL declares, defined once for the whole DLL.
#include <windows.h>
#include <initguid.h>

#include "updara_idl.h"
