// IDispatch by hand for the stand-in engine's objects: a table from member name to dispatch ID,
// the arguments read in their written order, and failures raised as automation exceptions.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <string>

namespace sdo_standin {

// Live objects and factory locks; the DLL may unload when none are left.
void ModuleAddRef();
void ModuleRelease();
long ModuleCount();

std::string FromWide(const wchar_t* text, size_t length);
BSTR ToBstr(const std::string& text);

struct Member {
  const wchar_t* name;
  DISPID id;
};

// The arguments of one Invoke. Positional arguments are numbered in the order the caller wrote
// them; a property put's value is apart.
class Args {
 public:
  explicit Args(DISPPARAMS* params, WORD flags);
  bool Valid() const { return valid_; }
  UINT Count() const { return positional_; }
  bool IsPut() const { return put_ != nullptr; }
  // The argument as text (by value or by reference); false when it cannot be made one.
  bool Text(UINT index, std::string& out) const;
  bool PutText(std::string& out) const;
  bool PutBool(bool& out) const;
  bool IsByRef(UINT index) const;
  // The one text argument of a member that takes exactly one: S_OK, or the error to return.
  HRESULT OneText(std::string& out, UINT& argErr) const;
  // For puArgErr: the position of the argument in the caller's array.
  UINT RawIndex(UINT index) const { return UINT(params_->cArgs) - 1 - index; }

 private:
  DISPPARAMS* params_;
  VARIANT* put_ = nullptr;
  UINT positional_ = 0;
  bool valid_ = true;
};

// The reason of a failed member, raised to the caller as DISP_E_EXCEPTION.
struct Failure {
  long code = 0;
  std::string text;
};

class DispatchBase : public IDispatch {
 public:
  DispatchBase() { ModuleAddRef(); }
  DispatchBase(const DispatchBase&) = delete;
  DispatchBase& operator=(const DispatchBase&) = delete;
  virtual ~DispatchBase() { ModuleRelease(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                      UINT* argErr) override;

 protected:
  // The member's work. Returns S_OK, a dispatch error (DISP_E_...), or DISP_E_EXCEPTION with
  // failure filled in; result is an empty VARIANT to fill.
  virtual HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure& failure, UINT& argErr) = 0;
  virtual const Member* Members(size_t& count) const = 0;
  // A further interface this object answers with itself (the engine's own).
  virtual bool AlsoAnswers(REFIID) const { return false; }
  // Told of every raised failure (the engine keeps the last for LastError).
  virtual void Raised(const Failure&) {}

 private:
  std::atomic<ULONG> refs_{1};
};

// Helpers for members.
HRESULT ReturnText(VARIANT& result, const std::string& text);
void ReturnBool(VARIANT& result, bool value);
void ReturnLong(VARIANT& result, long value);
void ReturnObject(VARIANT& result, IDispatch* object);  // takes over the caller's reference
inline HRESULT Raise(Failure& failure, long code, std::string text) {
  failure = {code, std::move(text)};
  return DISP_E_EXCEPTION;
}
inline bool IsGet(WORD flags) { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }

}  // namespace sdo_standin
