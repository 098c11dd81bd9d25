// The stand-in engine's DLL entry points: one class factory serves the engine class of every
// data version, 7 to 18.
#include <windows.h>

#include <unknwn.h>

#include "standins/sdo/standin_dispatch_win.h"
#include "standins/sdo/standin_objects_win.h"

namespace sdo_standin {
namespace {

// Written out here on its own, so a wrong entry in the program's table shows as an engine that
// cannot be created.
const CLSID kEngineClasses[] = {
    {0x062D8A19, 0x8697, 0x47B4, {0x81, 0x6C, 0xCD, 0xA2, 0x4D, 0x8A, 0xC1, 0xE7}},  // 7
    {0x3DFAF346, 0xD8CF, 0x48BA, {0x8A, 0xE2, 0xC6, 0xF9, 0x7E, 0x6C, 0xA3, 0x55}},  // 8
    {0x9CC9B7F4, 0xFD77, 0x4C06, {0xA3, 0xBF, 0x93, 0x4B, 0x6D, 0x3D, 0x36, 0xF1}},  // 9
    {0x628BB044, 0x85C8, 0x4AC8, {0x82, 0x00, 0x26, 0x28, 0x08, 0xC0, 0x75, 0x50}},  // 10
    {0xE73A6738, 0x8DA1, 0x4E20, {0xB3, 0xF4, 0xF3, 0x14, 0xE3, 0xA1, 0x18, 0x83}},  // 11
    {0xC38F8CC3, 0x7C66, 0x49FF, {0x89, 0x7F, 0xA5, 0x72, 0xFB, 0x87, 0x23, 0x1E}},  // 12
    {0x169D0186, 0x5DE7, 0x4DA6, {0x82, 0xB1, 0xC9, 0xAE, 0xB9, 0xBE, 0x66, 0x60}},  // 13
    {0xBBC68D84, 0x1620, 0x4202, {0xA5, 0x06, 0xEE, 0xC4, 0x3E, 0xD4, 0xEA, 0x9B}},  // 14
    {0xA29354FB, 0x35FA, 0x4CD4, {0x82, 0x61, 0xDA, 0xD8, 0x64, 0x98, 0x23, 0x48}},  // 15
    {0x81F4150A, 0x2F39, 0x44B8, {0xA4, 0xDC, 0x66, 0x6C, 0xD0, 0xC1, 0xFB, 0x67}},  // 16
    {0x0C42A671, 0xA0E4, 0x4326, {0x8A, 0xC8, 0x7D, 0x45, 0x1A, 0x89, 0xF1, 0xBC}},  // 17
    {0x3CCA7768, 0xE5C4, 0x420E, {0xB7, 0x5D, 0x75, 0x4E, 0x04, 0x77, 0xA0, 0x28}},  // 18
};

class Factory : public IClassFactory {
 public:
  Factory() { ModuleAddRef(); }
  Factory(const Factory&) = delete;
  Factory& operator=(const Factory&) = delete;
  virtual ~Factory() { ModuleRelease(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return ULONG(left);
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IDispatch* engine = nullptr;
    try {
      engine = NewEngine();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    const HRESULT hr = engine->QueryInterface(riid, ppv);
    engine->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ModuleAddRef();
    else
      ModuleRelease();
    return S_OK;
  }

 private:
  LONG refs_ = 1;
};

}  // namespace
}  // namespace sdo_standin

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  bool served = false;
  for (const CLSID& c : sdo_standin::kEngineClasses) served = served || IsEqualCLSID(rclsid, c);
  if (!served) return CLASS_E_CLASSNOTAVAILABLE;
  sdo_standin::Factory* factory = nullptr;
  try {
    factory = new sdo_standin::Factory();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return sdo_standin::ModuleCount() == 0 ? S_OK : S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
