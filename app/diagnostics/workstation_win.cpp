#include "app/diagnostics/workstation_win.h"

#include <windows.h>

#include <oleauto.h>
#include <wbemcli.h>

#include <functional>
#include <vector>

#include "app/diagnostics/workstation.h"
#include "app/tools/text.h"
#include "common/com_ref_win.h"
#include "common/com_text_win.h"
#include "updara_idl.h"

namespace lw {

WorkstationState Workstation;

namespace {

// A WMI provider that stops answering must not hang the window for good.
constexpr long kNextTimeoutMs = 10000;

// A VARIANT that clears itself.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v); }
};

// The value as text; empty when it is missing, null or cannot be turned into text.
std::string VariantText(VARIANT& v) {
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return {};
  if (V_VT(&v) != VT_BSTR && FAILED(VariantChangeType(&v, &v, 0, VT_BSTR))) return {};
  return AnsiText(V_BSTR(&v));
}

// The value as a flag; false when it is missing or is no flag.
bool VariantFlag(VARIANT& v) {
  if (V_VT(&v) == VT_EMPTY || V_VT(&v) == VT_NULL) return false;
  if (V_VT(&v) != VT_BOOL && FAILED(VariantChangeType(&v, &v, 0, VT_BOOL))) return false;
  return V_BOOL(&v) != VARIANT_FALSE;
}

// ---- WMI ----

void AllowImpersonation(IUnknown* proxy) {
  // In-process objects have no proxy to set; that answer is expected and harmless.
  CoSetProxyBlanket(proxy, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

// Hands every instance of the class in the local namespace to `each`. A namespace or class the
// machine does not have (the Security Center is missing on servers) is simply no instances.
void ForEachInstance(const wchar_t* nameSpace, const wchar_t* className,
                     const std::function<void(IWbemClassObject&)>& each) {
  ComRef<IWbemLocator> locator;
  if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                              reinterpret_cast<void**>(locator.put()))))
    return;
  BSTR path = SysAllocString(nameSpace);
  ComRef<IWbemServices> services;
  HRESULT hr = path ? locator->ConnectServer(path, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put())
                    : E_OUTOFMEMORY;
  SysFreeString(path);
  if (FAILED(hr) || !services) return;
  AllowImpersonation(services.get());
  BSTR cls = SysAllocString(className);
  ComRef<IEnumWbemClassObject> instances;
  hr = cls ? services->CreateInstanceEnum(cls, WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, nullptr,
                                          instances.put())
           : E_OUTOFMEMORY;
  SysFreeString(cls);
  if (FAILED(hr) || !instances) return;
  AllowImpersonation(instances.get());
  for (;;) {
    ComRef<IWbemClassObject> instance;
    ULONG returned = 0;
    hr = instances->Next(kNextTimeoutMs, 1, instance.put(), &returned);
    if (FAILED(hr) || returned == 0 || !instance) return;
    each(*instance.get());
  }
}

std::string TextProperty(IWbemClassObject& o, const wchar_t* name) {
  Variant v;
  if (FAILED(o.Get(name, 0, &v.v, nullptr, nullptr))) return {};
  return Trim(VariantText(v.v));
}

bool FlagProperty(IWbemClassObject& o, const wchar_t* name) {
  Variant v;
  if (FAILED(o.Get(name, 0, &v.v, nullptr, nullptr))) return false;
  return VariantFlag(v.v);
}

// ---- late-bound property of the update component ----

bool GetProperty(IDispatch* object, const wchar_t* member, Variant& result) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXCEPINFO excep{};
  HRESULT hr =
      object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result.v, &excep, nullptr);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return SUCCEEDED(hr);
}

// What is read stays read when a later step throws (out of memory): the label shows what it has.
template <typename F>
void Guarded(F&& body) {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

std::string GetProcessor(std::string& cpuWidth) {
  cpuWidth.clear();
  std::string name, width;
  Guarded([&] {
    ForEachInstance(L"ROOT\\CIMV2", L"Win32_Processor", [&](IWbemClassObject& cpu) {
      name = TextProperty(cpu, L"Name");
      width = TextProperty(cpu, L"AddressWidth");
    });
    cpuWidth = CpuWidthText(width);
    name = CollapseSpaces(name);
  });
  return name;
}

std::string GetWindowsVersion(const std::string& cpuWidth, std::string& osDetails) {
  std::string version;
  bool admin = false;
  Guarded([&] {
    ComRef<IDispatch> component;
    if (FAILED(CoCreateInstance(__uuidof(UpdaraCom), nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(component.put()))) ||
        !component)
      return;
    if (Variant v; GetProperty(component.get(), L"WinVersion", v)) version = VariantText(v.v);
    if (Variant v; GetProperty(component.get(), L"UserIsAdmin", v)) admin = VariantFlag(v.v);
  });
  Workstation.UserIsAdmin = admin;
  osDetails = OsDetailsText(version, cpuWidth);
  return WindowsVersionText(version, cpuWidth, admin);
}

std::string GetAntiVirus(std::string& avCompanies, uint32_t& avColour) {
  AntiVirusReport report;
  Guarded([&] {
    std::vector<AntiVirusProduct> products;
    ForEachInstance(L"ROOT\\SecurityCenter", L"AntiVirusProduct", [&](IWbemClassObject& av) {
      products.push_back({TextProperty(av, L"DisplayName"), TextProperty(av, L"CompanyName"),
                          TextProperty(av, L"versionNumber"), FlagProperty(av, L"onAccessScanningEnabled"),
                          FlagProperty(av, L"productUptoDate")});
    });
    report = DescribeAntiVirus(products);
    if (!report.text.empty()) return;
    // The newer Security Center tells only the names.
    std::vector<std::string> names;
    ForEachInstance(L"ROOT\\SecurityCenter2", L"AntiVirusProduct",
                    [&](IWbemClassObject& av) { names.push_back(TextProperty(av, L"DisplayName")); });
    report.text = ListAntiVirusNames(names);
  });
  avCompanies = report.companies;
  avColour = report.colour;
  return report.text;
}

std::string GetMemoryStatus() {
  Workstation.MemColour = kNormalColour;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return {};
  MemoryReport report = DescribeMemory(status.dwMemoryLoad, status.ullTotalPhys, status.ullAvailPhys);
  Workstation.MemTip = report.tip;
  Workstation.MemColour = report.colour;
  return report.caption;
}

std::string GetDataLocation(const std::string& path) {
  const std::string drive = DataLocationDrive(path);
  const bool remote = !drive.empty() && GetDriveTypeA((drive + "\\").c_str()) == DRIVE_REMOTE;
  return DataLocationText(path, remote);
}

}  // namespace lw
