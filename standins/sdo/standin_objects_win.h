// The stand-in engine's object model: engine → Workspaces → workspace → record objects, with
// the engine's LastError. A workspace's Connect reads the data folder's sdo_standin.txt; record
// objects serve its records and write changes back to it.
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace sdo_standin {

// The engine interface every version's engine answers besides IDispatch.
extern const IID kEngineInterface;

// A new engine object with one reference.
IDispatch* NewEngine();

}  // namespace sdo_standin
