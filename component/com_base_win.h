// The COM plumbing every Updara class shares: a small owning pointer, text conversion at the BSTR
// boundary, error objects, and a base that answers IUnknown and IDispatch from the embedded type
// library, so the dispatch IDs and member order come from the IDL alone.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/com_ref_win.h"
#include "common/com_text_win.h"
#include "component/module_win.h"
#include "updara_idl.h"

namespace updara {

using lw::ComRef;

// The component keeps its texts in the system's ANSI code page, as the A functions use them.
using lw::AnsiText;
using lw::NewBstr;
HRESULT ReturnText(std::string_view text, BSTR* out);

// An argument as the caller meant it: a variant passed by reference is followed once. A
// by-reference argument without its pointer is E_POINTER, never read; value is then null.
HRESULT ArgumentValue(const VARIANT& argument, const VARIANT*& value);

// Records a COM error object for the error number (table text, the component's class as source)
// and returns the failure code an automation client reads the number from.
HRESULT ReportError(long code, REFIID iid);

// The type information of one interface or class from the DLL's own type library, loaded once.
HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out);

// IUnknown and IDispatch for one dual interface; the derived class adds the members. Every live
// object holds the module, so the DLL stays loaded while a host keeps one.
template <typename Itf, const IID* Iid>
class DispatchObject : public Itf {
 public:
  DispatchObject() { ModuleAddRef(); }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;
  virtual ~DispatchObject() { ModuleRelease(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, *Iid)) {
      *ppv = static_cast<Itf*>(this);
    } else if (void* other = OtherInterface(riid)) {
      *ppv = other;
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ULONG References() const { return refs_.load(); }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoOf(*Iid, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count && (!names || !ids)) return E_POINTER;
    ComRef<ITypeInfo> info;
    if (HRESULT hr = TypeInfoOf(*Iid, info.put()); FAILED(hr)) return hr;
    return DispGetIDsOfNames(info.get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override {
    if (!params) return E_POINTER;
    ComRef<ITypeInfo> info;
    if (HRESULT hr = TypeInfoOf(*Iid, info.put()); FAILED(hr)) return hr;
    SetErrorInfo(0, nullptr);  // an older error object must not be taken for this call's
    const HRESULT hr = DispInvoke(static_cast<Itf*>(this), info.get(), id, flags, params, result, excep, argErr);
    return ToException(hr, excep);
  }

 protected:
  // Further interfaces of the derived class, unreferenced; nullptr when it has none by that IID.
  virtual void* OtherInterface(REFIID) { return nullptr; }

 private:
  // A member that failed with an error object reaches a late-bound caller as an exception, so a
  // script sees the number and the description, whatever the dispatcher made of the failure.
  static HRESULT ToException(HRESULT hr, EXCEPINFO* excep) {
    if (SUCCEEDED(hr) || hr == DISP_E_EXCEPTION || !excep || HRESULT_FACILITY(hr) == FACILITY_DISPATCH) return hr;
    IErrorInfo* error = nullptr;
    if (GetErrorInfo(0, &error) != S_OK || !error) return hr;
    *excep = {};
    error->GetDescription(&excep->bstrDescription);
    error->GetSource(&excep->bstrSource);
    excep->scode = hr;
    error->Release();
    return DISP_E_EXCEPTION;
  }

  std::atomic<ULONG> refs_{1};
};

// IUnknown for a small object of one interface (enumerators, class factories): counted in the
// module while it lives, deleted with its last reference.
template <typename Itf, const IID* Iid>
class SingleInterfaceObject : public Itf {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, *Iid)) {
      *ppv = static_cast<Itf*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  SingleInterfaceObject() { ModuleAddRef(); }
  virtual ~SingleInterfaceObject() { ModuleRelease(); }

 private:
  std::atomic<ULONG> refs_{1};
};

// An enumerator over a snapshot taken when it is made, so the list behind it may change while a
// caller walks it. IEnumVARIANT, IEnumConnections and IEnumConnectionPoints all have this shape;
// Copy hands one item to the caller's element with a reference of the caller's own.
template <typename EnumItf, const IID* Iid, typename Element, typename Item, void (*Copy)(const Item&, Element&)>
class SnapshotEnum final : public SingleInterfaceObject<EnumItf, Iid> {
 public:
  static HRESULT Create(std::vector<Item> items, EnumItf** out) {
    if (!out) return E_POINTER;
    *out = new SnapshotEnum(std::move(items), 0);
    return S_OK;
  }
  STDMETHODIMP Next(ULONG wanted, Element* out, ULONG* fetched) override {
    if (!out || (wanted > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < wanted && next_ < items_.size(); ++n, ++next_) Copy(items_[next_], out[n]);
    if (fetched) *fetched = n;
    return n == wanted ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    next_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(EnumItf** out) override {
    if (!out) return E_POINTER;
    *out = new SnapshotEnum(items_, next_);
    return S_OK;
  }

 private:
  SnapshotEnum(std::vector<Item> items, size_t next) : items_(std::move(items)), next_(next) {}
  std::vector<Item> items_;
  size_t next_;
};

// Answers ISupportErrorInfo for one interface; the class that mixes it in names its IUnknown with
// UPDARA_IUNKNOWN_OF, so that both bases share one reference count.
template <const IID* Iid>
class ErrorInfoSupport : public ISupportErrorInfo {
 public:
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
    return IsEqualIID(riid, *Iid) ? S_OK : S_FALSE;
  }
};

}  // namespace updara

#define UPDARA_IUNKNOWN_OF(Base)                                                                           \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return Base::QueryInterface(riid, ppv); } \
  STDMETHODIMP_(ULONG) AddRef() override { return Base::AddRef(); }                                       \
  STDMETHODIMP_(ULONG) Release() override { return Base::Release(); }
