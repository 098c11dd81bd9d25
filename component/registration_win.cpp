#include "component/registration_win.h"

#include <objbase.h>

#include <optional>
#include <string>
#include <vector>

namespace updara {
namespace {

struct Entry {
  std::wstring key;
  const wchar_t* name;  // nullptr: the key's default value
  std::wstring data;
};

constexpr size_t kInprocServerEntry = 1;

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

// Every value one class writes, parents before children; removal walks it backwards.
std::vector<Entry> EntriesOf(const ClassRegistration& c, std::wstring_view serverPath) {
  const std::wstring clsid = GuidText(c.clsid);
  const std::wstring clsidKey = L"CLSID\\" + clsid;
  const std::wstring progId = c.progId;
  const std::wstring independent = c.independentProgId;
  return {
      {clsidKey, nullptr, c.description},
      {clsidKey + L"\\InprocServer32", nullptr, std::wstring(serverPath)},
      {clsidKey + L"\\InprocServer32", L"ThreadingModel", c.threadingModel},
      {clsidKey + L"\\ProgID", nullptr, progId},
      {clsidKey + L"\\VersionIndependentProgID", nullptr, independent},
      {progId, nullptr, c.description},
      {progId + L"\\CLSID", nullptr, clsid},
      {independent, nullptr, c.description},
      {independent + L"\\CLSID", nullptr, clsid},
      {independent + L"\\CurVer", nullptr, progId},
  };
}

// Registry text compares without case, as Windows treats paths, GUIDs and ProgIDs.
bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::optional<std::wstring> ReadText(HKEY key, const wchar_t* name) {
  std::wstring text(64, L'\0');
  for (;;) {
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LSTATUS r = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes);
    if (r == ERROR_MORE_DATA) {
      text.resize(bytes / sizeof(wchar_t) + 1);
      continue;
    }
    if (r != ERROR_SUCCESS) return std::nullopt;
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
}

LSTATUS Write(HKEY root, const Entry& e) {
  HKEY key = nullptr;
  LSTATUS r = RegCreateKeyExW(root, e.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_SET_VALUE, nullptr, &key, nullptr);
  if (r != ERROR_SUCCESS) return r;
  r = RegSetValueExW(key, e.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(e.data.c_str()),
                     static_cast<DWORD>((e.data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return r;
}

bool Gone(LSTATUS r) { return r == ERROR_FILE_NOT_FOUND || r == ERROR_PATH_NOT_FOUND; }

LSTATUS DeleteKeyIfEmpty(HKEY root, const std::wstring& name) {
  HKEY key = nullptr;
  LSTATUS r = RegOpenKeyExW(root, name.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (Gone(r)) return ERROR_SUCCESS;
  if (r != ERROR_SUCCESS) return r;
  DWORD subkeys = 0, values = 0;
  r = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || subkeys != 0 || values != 0) return r;
  r = RegDeleteKeyW(root, name.c_str());
  return Gone(r) ? ERROR_SUCCESS : r;
}

// Deletes the entry's value if it still holds the written data, then its key if nothing is left.
LSTATUS Remove(HKEY root, const Entry& e) {
  HKEY key = nullptr;
  LSTATUS r = RegOpenKeyExW(root, e.key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
  if (Gone(r)) return ERROR_SUCCESS;
  if (r != ERROR_SUCCESS) return r;
  if (const auto current = ReadText(key, e.name); current && SameText(*current, e.data)) {
    r = RegDeleteValueW(key, e.name);
    if (Gone(r)) r = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? DeleteKeyIfEmpty(root, e.key) : r;
}

// TypeLib\{libid}\<version>\0: the neutral locale's key, and its platform entry naming the file.
std::wstring NeutralLocaleKey(const GUID& libid, std::wstring_view version) {
  return L"TypeLib\\" + GuidText(libid) + L"\\" + std::wstring(version) + L"\\0";
}
Entry NeutralLocaleEntry(const GUID& libid, std::wstring_view version, std::wstring_view serverPath) {
  return {NeutralLocaleKey(libid, version) + (sizeof(void*) == 8 ? L"\\win64" : L"\\win32"), nullptr,
          std::wstring(serverPath)};
}

LSTATUS RemoveClass(HKEY root, const ClassRegistration& c, std::wstring_view serverPath) {
  const std::vector<Entry> entries = EntriesOf(c, serverPath);
  const Entry& inproc = entries[kInprocServerEntry];
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, inproc.key.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    const auto current = ReadText(key, nullptr);
    RegCloseKey(key);
    if (current && !current->empty() && !SameText(*current, serverPath)) return ERROR_SUCCESS;
  }
  LSTATUS first = ERROR_SUCCESS;
  for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
    const LSTATUS r = Remove(root, *e);
    if (first == ERROR_SUCCESS) first = r;
  }
  return first;
}

}  // namespace

HRESULT RegisterServerClasses(HKEY root, std::span<const ClassRegistration> classes,
                              std::wstring_view serverPath) {
  if (serverPath.empty()) return E_INVALIDARG;
  for (const ClassRegistration& c : classes) {
    for (const Entry& e : EntriesOf(c, serverPath)) {
      if (const LSTATUS r = Write(root, e); r != ERROR_SUCCESS) {
        // No half registration: a class with keys but no server is worse than none.
        UnregisterServerClasses(root, classes, serverPath);
        return HRESULT_FROM_WIN32(static_cast<unsigned long>(r));
      }
    }
  }
  return S_OK;
}

HRESULT UnregisterServerClasses(HKEY root, std::span<const ClassRegistration> classes,
                                std::wstring_view serverPath) {
  if (serverPath.empty()) return E_INVALIDARG;
  LSTATUS first = ERROR_SUCCESS;
  for (const ClassRegistration& c : classes) {
    // Carry on past a failure so that as much as possible is removed.
    const LSTATUS r = RemoveClass(root, c, serverPath);
    if (first == ERROR_SUCCESS) first = r;
  }
  return first == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<unsigned long>(first));
}

HRESULT RegisterNeutralTypeLibPath(HKEY root, const GUID& libid, std::wstring_view version,
                                   std::wstring_view serverPath) {
  if (serverPath.empty()) return E_INVALIDARG;
  const LSTATUS r = Write(root, NeutralLocaleEntry(libid, version, serverPath));
  return r == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<unsigned long>(r));
}

HRESULT UnregisterNeutralTypeLibPath(HKEY root, const GUID& libid, std::wstring_view version,
                                     std::wstring_view serverPath) {
  if (serverPath.empty()) return E_INVALIDARG;
  LSTATUS r = Remove(root, NeutralLocaleEntry(libid, version, serverPath));
  if (r == ERROR_SUCCESS) r = DeleteKeyIfEmpty(root, NeutralLocaleKey(libid, version));
  return r == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<unsigned long>(r));
}

}  // namespace updara
