// Looks at what the Windows Installer package left in a prefix, from inside it.
//   lw_installed_check installed DIR VERSION   the package of VERSION is the one installed in DIR,
//                                              the component is registered, the shortcut leads to
//                                              the program, and the program starts and ends
//   lw_installed_check removed DIR             nothing of it is left
// Prints each failed check and ends with 1 when there was one.
#include <windows.h>

#include <msi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/com_ref_win.h"
#include "tests/fixtures/program_win.h"
#include "updara_idl.h"

namespace {

using lw::ComRef;
using lw::fixtures::RunningProgram;

constexpr const char* kUpgradeCode = "{6E1B7C52-3D0F-4C8A-9A71-2F5B8E4D1C30}";

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "installed check: %s\n", what.c_str());
  ++failures;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> RelatedProducts() {
  std::vector<std::string> products;
  char code[39];
  for (DWORD i = 0; MsiEnumRelatedProductsA(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) products.push_back(code);
  return products;
}

std::string ProductVersion(const std::string& product) {
  char version[64] = "";
  DWORD size = sizeof version;
  MsiGetProductInfoA(product.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size);
  return version;
}

// The component's server as the class registration names it; empty when it is not registered.
std::string RegisteredServer() {
  wchar_t clsid[40];
  StringFromGUID2(CLSID_UpdaraCom, clsid, 40);
  char key[128];
  std::snprintf(key, sizeof key, "CLSID\\%ls\\InprocServer32", clsid);
  char path[MAX_PATH] = "";
  DWORD size = sizeof path;
  if (RegGetValueA(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS) return "";
  return path;
}

// The Start-menu shortcut, for all users or for this one.
std::string Shortcut() {
  for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    char path[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) &&
        Exists(std::string(path) + "\\Ledgerwell.lnk"))
      return std::string(path) + "\\Ledgerwell.lnk";
  }
  return "";
}

std::string ShortcutTarget(const std::string& shortcut) {
  ComRef<IShellLinkA> link;
  ComRef<IPersistFile> file;
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
  char target[MAX_PATH] = "";
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(link.put()))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) &&
      SUCCEEDED(file->Load(wide, STGM_READ)))
    link->GetPath(target, MAX_PATH, nullptr, 0);
  return target;
}

void CheckInstalled(const std::string& dir, const std::string& version) {
  const std::string exe = dir + "\\Ledgerwell.exe", dll = dir + "\\Updara.dll";
  Check(Exists(exe) && Exists(dll) && Exists(dir + "\\help.rtf"), "a file is missing in " + dir);
  const auto products = RelatedProducts();
  Check(products.size() == 1, "installed packages: " + std::to_string(products.size()) + ", not one");
  if (!products.empty()) Check(ProductVersion(products[0]) == version, "installed " + ProductVersion(products[0]));
  Check(lstrcmpiA(RegisteredServer().c_str(), dll.c_str()) == 0, "the component's server: " + RegisteredServer());
  ComRef<IDispatch> component;
  Check(SUCCEEDED(CoCreateInstance(CLSID_UpdaraCom, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(component.put()))),
        "the component cannot be created");
  const std::string shortcut = Shortcut();
  Check(!shortcut.empty(), "no Start-menu shortcut");
  if (!shortcut.empty()) Check(lstrcmpiA(ShortcutTarget(shortcut).c_str(), exe.c_str()) == 0,
                               "the shortcut leads to " + ShortcutTarget(shortcut));

  // The first start shows the About window first, a later one the main window at once.
  RunningProgram program(exe, "");
  HWND about = nullptr, main = nullptr;
  for (ULONGLONG start = GetTickCount64(); !about && !main && GetTickCount64() - start < 60000; Sleep(100)) {
    about = program.WaitForWindow("About Ledgerwell", 0);
    main = program.WaitForMainWindow(0);
  }
  if (about) {
    lw::fixtures::SendFromOutside(about, WM_SYSCOMMAND, SC_CLOSE);
    main = program.WaitForMainWindow(30000);
  }
  Check(main != nullptr, "the installed program showed no main window");
  program.Close();
  Check(program.WaitForExit(30000) == 0, "the installed program did not end well");
}

void CheckRemoved(const std::string& dir) {
  Check(!Exists(dir), dir + " is left");
  Check(RelatedProducts().empty(), "a package is still installed");
  Check(RegisteredServer().empty(), "the component is still registered: " + RegisteredServer());
  Check(Shortcut().empty(), "the shortcut is left: " + Shortcut());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (!(mode == "installed" && argc == 4) && !(mode == "removed" && argc == 3)) {
    std::fprintf(stderr, "usage: lw_installed_check installed DIR VERSION | removed DIR\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (mode == "installed")
    CheckInstalled(argv[2], argv[3]);
  else
    CheckRemoved(argv[2]);
  CoUninitialize();
  return failures ? 1 : 0;
}
