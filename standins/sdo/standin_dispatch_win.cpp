#include "standins/sdo/standin_dispatch_win.h"

namespace sdo_standin {
namespace {

std::atomic<long> g_module{0};

// Converts a copy, so a caller's by-reference argument is read and never changed.
bool VariantAs(const VARIANT& in, VARTYPE type, VARIANT& out) {
  VariantInit(&out);
  if (FAILED(VariantCopyInd(&out, const_cast<VARIANT*>(&in)))) return false;
  if (type == VT_BSTR && (out.vt == VT_EMPTY || out.vt == VT_NULL)) {
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocStringLen(nullptr, 0);
    return out.bstrVal != nullptr;
  }
  if (out.vt != type && FAILED(VariantChangeType(&out, &out, 0, type))) {
    VariantClear(&out);
    return false;
  }
  return true;
}

bool AsText(const VARIANT& in, std::string& text) {
  VARIANT v;
  if (!VariantAs(in, VT_BSTR, v)) return false;
  text = FromWide(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return true;
}

}  // namespace

void ModuleAddRef() { ++g_module; }
void ModuleRelease() { --g_module; }
long ModuleCount() { return g_module.load(); }

std::string FromWide(const wchar_t* text, size_t length) {
  if (!text || length == 0) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text, int(length), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, int(length), out.data(), n, nullptr, nullptr);
  return out;
}

BSTR ToBstr(const std::string& text) {
  const int n = text.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
  BSTR out = SysAllocStringLen(nullptr, UINT(n));
  if (out && n) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), out, n);
  return out;
}

Args::Args(DISPPARAMS* params, WORD flags) : params_(params) {
  if (!params || (params->cArgs && !params->rgvarg)) {
    valid_ = false;
    return;
  }
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    // A put names its value DISPID_PROPERTYPUT and passes it first (last written).
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
        params->cArgs < 1) {
      valid_ = false;
      return;
    }
    put_ = &params->rgvarg[0];
    positional_ = params->cArgs - 1;
  } else {
    if (params->cNamedArgs != 0) valid_ = false;
    positional_ = params->cArgs;
  }
}

HRESULT Args::OneText(std::string& out, UINT& argErr) const {
  if (Count() != 1) return DISP_E_BADPARAMCOUNT;
  if (Text(0, out)) return S_OK;
  argErr = RawIndex(0);
  return DISP_E_TYPEMISMATCH;
}

bool Args::Text(UINT index, std::string& out) const {
  return index < positional_ && AsText(params_->rgvarg[RawIndex(index)], out);
}

bool Args::PutText(std::string& out) const { return put_ && AsText(*put_, out); }

bool Args::PutBool(bool& out) const {
  VARIANT v;
  if (!put_ || !VariantAs(*put_, VT_BOOL, v)) return false;
  out = v.boolVal != VARIANT_FALSE;
  return true;
}

bool Args::IsByRef(UINT index) const {
  return index < positional_ && (params_->rgvarg[RawIndex(index)].vt & VT_BYREF) != 0;
}

STDMETHODIMP DispatchBase::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || AlsoAnswers(riid)) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DispatchBase::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP DispatchBase::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;  // late binding only: names go through GetIDsOfNames
  return S_OK;
}

STDMETHODIMP DispatchBase::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP DispatchBase::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  size_t n = 0;
  const Member* members = Members(n);
  ids[0] = DISPID_UNKNOWN;
  for (size_t i = 0; i < n; ++i)
    if (names[0] && CompareStringOrdinal(names[0], -1, members[i].name, -1, TRUE) == CSTR_EQUAL) ids[0] = members[i].id;
  // No member takes named arguments.
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

STDMETHODIMP DispatchBase::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* excep, UINT* argErr) {
  try {
    Args args(params, flags);
    if (!args.Valid()) return params && params->cNamedArgs ? DISP_E_NONAMEDARGS : E_INVALIDARG;
    VARIANT value;
    VariantInit(&value);
    Failure failure;
    UINT badArg = 0;
    HRESULT hr = Call(id, flags, args, value, failure, badArg);
    if (hr == DISP_E_EXCEPTION) {
      VariantClear(&value);
      Raised(failure);
      const HRESULT scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, failure.code & 0xFFFF);
      if (!excep) return scode;
      *excep = {};
      excep->bstrSource = ToBstr("SDO stand-in engine");
      excep->bstrDescription = ToBstr(failure.text);
      excep->scode = scode;
      return DISP_E_EXCEPTION;
    }
    if (FAILED(hr)) {
      VariantClear(&value);
      if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && argErr) *argErr = badArg;
      return hr;
    }
    if (result)
      *result = value;
    else
      VariantClear(&value);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ReturnText(VARIANT& result, const std::string& text) {
  result.bstrVal = ToBstr(text);
  if (!result.bstrVal) return E_OUTOFMEMORY;
  result.vt = VT_BSTR;
  return S_OK;
}

void ReturnBool(VARIANT& result, bool value) {
  result.vt = VT_BOOL;
  result.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void ReturnLong(VARIANT& result, long value) {
  result.vt = VT_I4;
  result.lVal = value;
}

void ReturnObject(VARIANT& result, IDispatch* object) {
  result.vt = VT_DISPATCH;
  result.pdispVal = object;
}

}  // namespace sdo_standin
