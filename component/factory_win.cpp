#include "component/factory_win.h"

#include <atomic>
#include <iterator>

#include "component/classes_win.h"
#include "component/com_base_win.h"
#include "component/entries_win.h"
#include "component/module_win.h"
#include "component/updara_com_win.h"

namespace updara {
namespace {

using CreateFn = HRESULT (*)(REFIID, void**);

struct Creatable {
  const GUID* clsid;
  CreateFn create;
};
const Creatable kCreatable[] = {
    {&CLSID_UpdaraCom, &UpdaraComObject::Create}, {&CLSID_UpdFiles, &CreateUpdFiles},
    {&CLSID_UpdFile, &CreateUpdFile},             {&CLSID_UpdMessages, &CreateUpdMessages},
    {&CLSID_UpdMessage, &CreateUpdMessage},       {&CLSID_UpdProcesses, &CreateUpdProcesses},
    {&CLSID_UpdProcess, &CreateUpdProcess},
};

class ClassFactory final : public SingleInterfaceObject<IClassFactory, &IID_IClassFactory> {
 public:
  explicit ClassFactory(CreateFn create) : create_(create) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      return create_(iid, out);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) ModuleAddRef(); else ModuleRelease();
    return S_OK;
  }

 private:
  CreateFn create_;
};

}  // namespace

HRESULT GetClassFactory(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const Creatable& c : kCreatable) {
    if (!IsEqualCLSID(clsid, *c.clsid)) continue;
    auto* factory = new ClassFactory(c.create);
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace updara
