// Self-registration of COM classes from a table: one routine writes every class's keys and one
// removes them again, so a new class is only a new row.
#pragma once

#include <windows.h>

#include <span>
#include <string_view>

namespace updara {

struct ClassRegistration {
  GUID clsid;
  const wchar_t* description;       // default value of the CLSID and ProgID keys
  const wchar_t* progId;            // version-dependent, "Vendor.Class.N"
  const wchar_t* independentProgId; // version-independent; its CurVer names progId
  const wchar_t* threadingModel;    // "Apartment", "Both", ...
};

// Writes, under root (HKEY_CLASSES_ROOT for the real server), for each class:
//   CLSID\{clsid} = description, with InprocServer32 = serverPath (+ ThreadingModel), ProgID and
//   VersionIndependentProgID; progId = description with CLSID; independentProgId = description
//   with CLSID and CurVer. On any failure what was written is removed and the error returned.
HRESULT RegisterServerClasses(HKEY root, std::span<const ClassRegistration> classes,
                              std::wstring_view serverPath);

// Removes what RegisterServerClasses wrote: a value only while it still holds what was written,
// a key only once it is empty, so keys and values of others survive, and missing ones are fine.
// A class whose InprocServer32 now names another file belongs to that copy and is left alone.
HRESULT UnregisterServerClasses(HKEY root, std::span<const ClassRegistration> classes,
                                std::wstring_view serverPath);

// The type library's file once more under the neutral locale 0, as
// TypeLib\{libid}\<version>\0\win64 (win32 in a 32-bit build) = serverPath. RegisterTypeLib files
// it only under the library's own locale (409), and Wine's type-library marshaller, which every
// call from another apartment needs, looks under locale 0 alone: without this entry marshalling
// any of the interfaces fails with E_FAIL.
HRESULT RegisterNeutralTypeLibPath(HKEY root, const GUID& libid, std::wstring_view version,
                                   std::wstring_view serverPath);
// Removes that entry while it still names serverPath, then the locale key once it is empty.
HRESULT UnregisterNeutralTypeLibPath(HKEY root, const GUID& libid, std::wstring_view version,
                                     std::wstring_view serverPath);

}  // namespace updara
