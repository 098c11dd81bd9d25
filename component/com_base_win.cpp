#include "component/com_base_win.h"

#include <mutex>

#include "common/updara_errors.h"

namespace updara {
namespace {

std::mutex g_typeLibLock;
ITypeLib* g_typeLib = nullptr;  // kept for the life of the process, like the module itself

HRESULT TypeLib(ITypeLib** out) {
  std::lock_guard<std::mutex> lock(g_typeLibLock);
  if (!g_typeLib) {
    const std::wstring path = ModulePath(ModuleInstance());
    if (path.empty()) return E_UNEXPECTED;
    if (HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &g_typeLib); FAILED(hr)) {
      g_typeLib = nullptr;
      return hr;
    }
  }
  *out = g_typeLib;
  g_typeLib->AddRef();
  return S_OK;
}

}  // namespace

HRESULT ReturnText(std::string_view text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = NewBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ArgumentValue(const VARIANT& argument, const VARIANT*& value) {
  value = nullptr;
  const VARIANT* v = &argument;
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) {
    if (!V_VARIANTREF(v)) return E_POINTER;
    v = V_VARIANTREF(v);
  }
  if ((V_VT(v) & VT_BYREF) && !V_BYREF(v)) return E_POINTER;
  value = v;
  return S_OK;
}

HRESULT ReportError(long code, REFIID iid) {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    const std::string text = ErrorText(code);
    BSTR description = NewBstr(text);
    create->SetDescription(description);
    SysFreeString(description);
    create->SetSource(const_cast<LPOLESTR>(L"Kivra.UpdaraCom.1"));
    create->SetGUID(iid);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return static_cast<HRESULT>(ErrorResult(code));
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ITypeLib* lib = nullptr;
  if (HRESULT hr = TypeLib(&lib); FAILED(hr)) return hr;
  const HRESULT hr = lib->GetTypeInfoOfGuid(guid, out);
  lib->Release();
  return hr;
}

}  // namespace updara
