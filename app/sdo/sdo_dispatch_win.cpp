#include "app/sdo/sdo_dispatch_win.h"

#include <oleauto.h>

#include <new>
#include <vector>

#include "app/sdo/sdo_engine.h"
#include "app/tools/text.h"
#include "common/com_text_win.h"

namespace lw {

// {DE4DA901-EEF8-11D0-9E5F-008048AADD4E}
const IID kSdoEngineInterface = {0xDE4DA901, 0xEEF8, 0x11D0, {0x9E, 0x5F, 0x00, 0x80, 0x48, 0xAA, 0xDD, 0x4E}};

namespace {

// A VARIANT that owns what it holds.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  explicit Variant(const std::string& text) : Variant() {
    const std::wstring w = WideText(text);
    v.bstrVal = SysAllocStringLen(w.data(), UINT(w.size()));
    if (!v.bstrVal) throw std::bad_alloc();
    v.vt = VT_BSTR;
  }
  explicit Variant(bool value) : Variant() {
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v); }
};

// An argument: a value of its own, or a reference to a caller's text variant.
struct Arg {
  const Variant* value = nullptr;
  Variant* byRefText = nullptr;
};

const char* MemberName(const char* member) { return member ? member : "the default member"; }

// Calls the member by name (nullptr: the default member) with the arguments in their written
// order; a property put passes its value last. The engine's own exception text is kept.
bool Call(IDispatch* object, const char* member, WORD flags, std::initializer_list<Arg> args, VARIANT* result,
          SdoFault& fault) {
  fault = {};
  if (!object) {
    fault = {E_POINTER, std::string("No object to call ") + MemberName(member) + " on"};
    return false;
  }
  DISPID id = DISPID_VALUE;
  if (member) {
    std::wstring name = WideText(member);
    LPOLESTR names[] = {name.data()};
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); FAILED(hr)) {
      fault = {hr, std::string("The engine has no member ") + member + ": " + HresultText(hr)};
      return false;
    }
  }
  // Invoke takes the arguments last to first.
  std::vector<VARIANT> reversed(args.size());
  size_t i = args.size();
  for (const Arg& a : args) {
    VARIANT& slot = reversed[--i];
    VariantInit(&slot);
    if (a.byRefText) {
      slot.vt = VT_BYREF | VT_BSTR;
      slot.pbstrVal = &a.byRefText->v.bstrVal;
    } else {
      slot = a.value->v;  // shallow: the Variant keeps ownership
    }
  }
  DISPID putId = DISPID_PROPERTYPUT;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), put ? &putId : nullptr, UINT(reversed.size()),
                    put ? 1u : 0u};
  EXCEPINFO excep{};
  UINT argError = 0;
  Variant ignored;
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? result : &ignored.v,
                                    &excep, &argError);
  if (hr == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    std::string text = Trim(AnsiText(excep.bstrDescription));
    fault.hr = FAILED(excep.scode) ? excep.scode : hr;
    fault.text = !text.empty() ? text
                               : std::string(MemberName(member)) + " failed with error " +
                                     std::to_string(excep.scode ? long(excep.scode) : long(excep.wCode));
  } else if (FAILED(hr)) {
    fault = {hr, std::string(MemberName(member)) + " failed: " + HresultText(hr)};
  }
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return SUCCEEDED(hr);
}

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// Runs one wrapper operation so that nothing thrown on our side (out of memory) escapes it.
template <typename F>
auto Guarded(SdoFault& fault, F&& body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    fault = {E_OUTOFMEMORY, "Out of memory while calling the SDO engine"};
    return decltype(body())();
  }
}

bool ToObject(Variant& value, ComRef<IDispatch>& out, const char* member, SdoFault& fault) {
  out.Reset();
  VARIANT& v = value.v;
  IUnknown* unknown = nullptr;
  if (v.vt == VT_DISPATCH)
    unknown = v.pdispVal;
  else if (v.vt == VT_UNKNOWN)
    unknown = v.punkVal;
  else if (v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal)
    unknown = *v.ppdispVal;
  if (unknown && SUCCEEDED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out.put()))) && out)
    return true;
  out.Reset();
  fault = {E_NOINTERFACE, std::string(member) + " returned no object"};
  return false;
}

bool ToType(Variant& value, VARTYPE type, const char* member, SdoFault& fault) {
  if (value.v.vt == type) return true;
  // A field never given a value reads as empty text.
  if (type == VT_BSTR && (value.v.vt == VT_NULL || value.v.vt == VT_EMPTY)) {
    VariantClear(&value.v);
    value.v.vt = VT_BSTR;
    value.v.bstrVal = SysAllocStringLen(nullptr, 0);
    if (!value.v.bstrVal) throw std::bad_alloc();
    return true;
  }
  if (HRESULT hr = VariantChangeType(&value.v, &value.v, VARIANT_ALPHABOOL, type); FAILED(hr)) {
    fault = {hr, std::string(member) + " returned a value of an unexpected type: " + HresultText(hr)};
    return false;
  }
  return true;
}

bool GetObject(IDispatch* object, const char* member, std::initializer_list<Arg> args, ComRef<IDispatch>& out,
               SdoFault& fault) {
  Variant result;
  return Call(object, member, kGet, args, &result.v, fault) && ToObject(result, out, member, fault);
}

}  // namespace

// ---- engine

bool SdoEngine::Create(const std::string& dataVersion, SdoEngine& engine, std::string& error) {
  engine.Release();
  engine.fault_ = {};
  error.clear();
  return Guarded(engine.fault_, [&] {
    const std::string classId = SdoEngineClassId(dataVersion);
    if (classId.empty()) {
      engine.fault_ = {E_INVALIDARG, "No SDO engine class for data version " + dataVersion};
      error = engine.fault_.text;
      return false;
    }
    CLSID clsid{};
    std::wstring text = WideText(classId);
    HRESULT hr = CLSIDFromString(text.data(), &clsid);
    IUnknown* created = nullptr;
    if (SUCCEEDED(hr))
      hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kSdoEngineInterface,
                            reinterpret_cast<void**>(&created));
    // The engine interface is a dispatch interface: its table begins with IDispatch's.
    if (SUCCEEDED(hr) && created)
      engine.object_ = ComRef<IDispatch>::Adopt(static_cast<IDispatch*>(created));
    else if (SUCCEEDED(hr))
      hr = E_NOINTERFACE;
    if (FAILED(hr)) {
      engine.fault_ = {hr, "Cannot create the SDO engine of data version " + dataVersion + ": " + HresultText(hr)};
      error = engine.fault_.text;
      return false;
    }
    return true;
  });
}

bool SdoEngine::AddWorkspace(const std::string& name, SdoWorkspace& workspace) {
  workspace.Release();
  return Guarded(fault_, [&] {
    ComRef<IDispatch> workspaces;
    if (!GetObject(Dispatch(), "Workspaces", {}, workspaces, fault_)) return false;
    Variant arg(name);
    return GetObject(workspaces.get(), "Add", {{&arg}}, workspace.object_, fault_);
  });
}

bool SdoEngine::LastError(long& code, std::string& text) {
  code = 0;
  text.clear();
  return Guarded(fault_, [&] {
    ComRef<IDispatch> error;
    if (!GetObject(Dispatch(), "LastError", {}, error, fault_)) return false;
    Variant codeValue, textValue;
    if (!Call(error.get(), "Code", kGet, {}, &codeValue.v, fault_) || !ToType(codeValue, VT_I4, "Code", fault_))
      return false;
    if (!Call(error.get(), "Text", kGet, {}, &textValue.v, fault_) || !ToType(textValue, VT_BSTR, "Text", fault_))
      return false;
    code = codeValue.v.lVal;
    text = AnsiText(textValue.v.bstrVal);
    return true;
  });
}

// ---- workspace

bool SdoWorkspace::SetUI(bool show) {
  return Guarded(fault_, [&] {
    Variant value(show);
    return Call(Dispatch(), "UI", DISPATCH_PROPERTYPUT, {{&value}}, nullptr, fault_);
  });
}

bool SdoWorkspace::Connect(const std::string& folder, const std::string& user, const std::string& password,
                           const std::string& connectionName) {
  return Guarded(fault_, [&] {
    Variant folderArg(folder), userArg(user), passwordArg(password), nameArg(connectionName);
    return Call(Dispatch(), "Connect", DISPATCH_METHOD,
                {{&folderArg}, {nullptr, &userArg}, {nullptr, &passwordArg}, {&nameArg}}, nullptr, fault_);
  });
}

bool SdoWorkspace::CreateObject(const std::string& className, SdoRecord& record) {
  record.Release();
  return Guarded(fault_, [&] {
    Variant arg(className);
    return GetObject(Dispatch(), "CreateObject", {{&arg}}, record.object_, fault_);
  });
}

bool SdoWorkspace::Disconnect() {
  return Guarded(fault_, [&] { return Call(Dispatch(), "Disconnect", DISPATCH_METHOD, {}, nullptr, fault_); });
}

// ---- record

std::optional<long> SdoRecord::Count() {
  return Guarded(fault_, [&]() -> std::optional<long> {
    Variant result;
    if (!Call(Dispatch(), "Count", kGet, {}, &result.v, fault_) || !ToType(result, VT_I4, "Count", fault_))
      return std::nullopt;
    return result.v.lVal;
  });
}

bool SdoRecord::MoveFirst() {
  return Guarded(fault_, [&] { return Call(Dispatch(), "MoveFirst", DISPATCH_METHOD, {}, nullptr, fault_); });
}

bool SdoRecord::MoveNext() {
  return Guarded(fault_, [&] { return Call(Dispatch(), "MoveNext", DISPATCH_METHOD, {}, nullptr, fault_); });
}

std::optional<std::string> SdoRecord::Field(const std::string& name) {
  return Guarded(fault_, [&]() -> std::optional<std::string> {
    Variant index(name), result;
    if (!Call(Dispatch(), nullptr, kGet, {{&index}}, &result.v, fault_) ||
        !ToType(result, VT_BSTR, name.c_str(), fault_))
      return std::nullopt;
    return AnsiText(result.v.bstrVal);
  });
}

bool SdoRecord::SetField(const std::string& name, const std::string& value) {
  return Guarded(fault_, [&] {
    Variant index(name), text(value);
    return Call(Dispatch(), nullptr, DISPATCH_PROPERTYPUT, {{&index}, {&text}}, nullptr, fault_);
  });
}

bool SdoRecord::Edit() {
  return Guarded(fault_, [&] {
    Variant result;
    if (!Call(Dispatch(), "Edit", kGet, {}, &result.v, fault_) || !ToType(result, VT_BOOL, "Edit", fault_))
      return false;
    return result.v.boolVal != VARIANT_FALSE;
  });
}

bool SdoRecord::Update() {
  return Guarded(fault_, [&] { return Call(Dispatch(), "Update", kGet, {}, nullptr, fault_); });
}

}  // namespace lw
