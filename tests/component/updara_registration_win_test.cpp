// Updara.dll as a self-registering COM server: registration through regsvr32 into the prefix's
// HKEY_CLASSES_ROOT, the registration routine's edge cases in a scratch key, the DLL's exports and
// version resource, and the two programs it carries.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/tools/files_win.h"
#include "component/carried_programs.h"
#include "component/classes_win.h"
#include "component/registration_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace {

using updara_test::kDll;
using updara_test::Regsvr32;
using updara_test::RunProgram;
using updara_test::WinPath;

// What hosts rely on; these identifiers never change.
struct ExpectedClass {
  const wchar_t* clsid;
  const wchar_t* progId;
  const wchar_t* independentProgId;
  const wchar_t* threadingModel;
};
constexpr ExpectedClass kClasses[] = {
    {L"{BFFA0BD1-630F-4D18-9865-33D5A3245486}", L"Kivra.UpdaraCom.1", L"Kivra.UpdaraCom", L"Apartment"},
    {L"{110A19B7-CD05-4F8E-97B8-B5B4B9C29C2C}", L"Kivra.UpdFiles.1", L"Kivra.UpdFiles", L"Both"},
    {L"{D1B4459D-123D-4B84-9FA6-DB34924FEC8A}", L"Kivra.UpdFile.1", L"Kivra.UpdFile", L"Both"},
    {L"{26F04499-5425-47A8-9450-4C695F7D7C1C}", L"Kivra.UpdMessages.1", L"Kivra.UpdMessages", L"Both"},
    {L"{CCE274F4-A3C9-44B9-94F7-2C8691AB219D}", L"Kivra.UpdMessage.1", L"Kivra.UpdMessage", L"Both"},
    {L"{81487C97-9BEC-43C0-A5CF-A798470CAD8E}", L"Kivra.UpdProcesses.2", L"Kivra.UpdProcesses", L"Both"},
    {L"{23409E9D-9A5D-4515-96EC-CDA2F1FFDBD2}", L"Kivra.UpdProcess.2", L"Kivra.UpdProcess", L"Both"},
};
const std::wstring kMainClsidKey = std::wstring(L"CLSID\\") + kClasses[0].clsid;

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t text[1024];
  DWORD bytes = sizeof text;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(text);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// Creates (or opens) a key, optionally with a default value; false when that fails.
bool MakeKey(HKEY root, const std::wstring& key, DWORD options = 0, const wchar_t* value = nullptr) {
  HKEY k = nullptr;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, options, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  if (value) RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            DWORD((wcslen(value) + 1) * sizeof *value));
  RegCloseKey(k);
  return true;
}

DWORD SubkeyCount(HKEY root, const std::wstring& key) {
  HKEY k = nullptr;
  DWORD n = 0;
  EXPECT_EQ(RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k), ERROR_SUCCESS) << key.c_str();
  if (k == nullptr) return 0;
  RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return n;
}

void ExpectRegistered(HKEY root, const std::wstring& server) {
  for (const ExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.progId);
    const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
    const auto path = RegText(root, key + L"\\InprocServer32");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(_wcsicmp(path->c_str(), server.c_str()), 0) << *path;
    EXPECT_EQ(RegText(root, key + L"\\InprocServer32", L"ThreadingModel"), c.threadingModel);
    EXPECT_EQ(RegText(root, key + L"\\ProgID"), c.progId);
    EXPECT_EQ(RegText(root, key + L"\\VersionIndependentProgID"), c.independentProgId);
    EXPECT_EQ(RegText(root, std::wstring(c.progId) + L"\\CLSID"), c.clsid);
    EXPECT_EQ(RegText(root, std::wstring(c.independentProgId) + L"\\CLSID"), c.clsid);
    EXPECT_EQ(RegText(root, std::wstring(c.independentProgId) + L"\\CurVer"), c.progId);
  }
}

void ExpectNothingLeft(HKEY root) {
  for (const ExpectedClass& c : kClasses) {
    EXPECT_FALSE(KeyExists(root, std::wstring(L"CLSID\\") + c.clsid)) << c.clsid;
    EXPECT_FALSE(KeyExists(root, c.progId)) << c.progId;
    EXPECT_FALSE(KeyExists(root, c.independentProgId)) << c.independentProgId;
  }
}

// ---- regsvr32 against the real HKEY_CLASSES_ROOT ----

class UpdaraRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    CoUninitialize();
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kClasses[0].progId);
    Regsvr32(L"/u /s");
  }
};

TEST_F(UpdaraRegistration, RegsvrRegistersEveryClassUnregisterRemovesWhatIsLeftAndAFailedWriteLeavesNothing) {
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ExpectRegistered(HKEY_CLASSES_ROOT, kDll);
  // The type library, filed under its own locale and the neutral one.
  wchar_t libid[40], iid[40];
  StringFromGUID2(LIBID_UPDARACOMLib, libid, 40);
  StringFromGUID2(IID_IUpdaraCom, iid, 40);
  const std::wstring libKey = std::wstring(L"TypeLib\\") + libid;
  const std::wstring platform = sizeof(void*) == 8 ? L"\\win64" : L"\\win32";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, libKey + L"\\1.0\\409" + platform));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, libKey + L"\\1.0\\0" + platform));

  // COM itself finds every class through its ProgID and reaches this DLL's factories.
  CLSID clsid{};
  IUnknown* object = nullptr;
  for (const ExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.progId);
    ASSERT_EQ(CLSIDFromProgID(c.progId, &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
              S_OK);
    object->Release();
  }
  ASSERT_EQ(CLSIDFromProgID(L"Kivra.UpdaraCom", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, updara::CLSID_UpdaraCom));
  CoFreeUnusedLibraries();

  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  ExpectNothingLeft(HKEY_CLASSES_ROOT);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, libKey)) << "the library with both locales";
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + iid));
  EXPECT_HRESULT_FAILED(CLSIDFromProgID(L"Kivra.UpdaraCom", &clsid));
  EXPECT_EQ(CoCreateInstance(updara::CLSID_UpdaraCom, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
  // Again, with everything gone already, and with some of it gone.
  EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (kMainClsidKey + L"\\ProgID").c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, kClasses[2].progId), ERROR_SUCCESS);
  EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
  ExpectNothingLeft(HKEY_CLASSES_ROOT);

  // A non-volatile key cannot be created under a volatile one, so writing the ProgID's CLSID fails.
  ASSERT_TRUE(MakeKey(HKEY_CLASSES_ROOT, kClasses[0].progId, REG_OPTION_VOLATILE));
  EXPECT_NE(Regsvr32(L"/s"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kMainClsidKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClasses[0].independentProgId));
}

// ---- the registration routine in a scratch key ----

class UpdaraRegistrationRoutine : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kScratch = L"Software\\Brenk\\UpdaraRegistrationTest";
  HKEY root_ = nullptr;

  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(MakeKey(root_, L"CLSID"));  // present in every real classes root
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
  }
  HRESULT Register(const wchar_t* server) {
    return updara::RegisterServerClasses(root_, updara::UpdaraClasses(), server);
  }
  HRESULT Unregister(const wchar_t* server) {
    return updara::UnregisterServerClasses(root_, updara::UpdaraClasses(), server);
  }
};

TEST_F(UpdaraRegistrationRoutine, WritesEveryClassAndRemovesExactlyThatOnlyForTheSameServerKeepingWhatOthersChanged) {
  const wchar_t* kServer = L"C:\\Program Files\\Brenk\\Updara.dll";
  ASSERT_EQ(Register(kServer), S_OK);
  ExpectRegistered(root_, kServer);
  EXPECT_EQ(SubkeyCount(root_, L""), 1u + 2 * std::size(kClasses));
  EXPECT_EQ(SubkeyCount(root_, L"CLSID"), std::size(kClasses));
  EXPECT_EQ(SubkeyCount(root_, kMainClsidKey), 3u);

  // Classes another copy now serves are left to it; the same file is matched however it is spelt.
  ASSERT_EQ(Unregister(L"C:\\B\\Updara.dll"), S_OK);
  ExpectRegistered(root_, kServer);
  ASSERT_EQ(Unregister(L"c:\\program files\\brenk\\UPDARA.DLL"), S_OK);
  ExpectNothingLeft(root_);
  EXPECT_EQ(SubkeyCount(root_, L""), 1u);
  EXPECT_EQ(SubkeyCount(root_, L"CLSID"), 0u);
  EXPECT_EQ(Unregister(kServer), S_OK);

  // What others changed or added is kept.
  ASSERT_EQ(Register(L"C:\\A\\Updara.dll"), S_OK);
  // A later version took over the version-independent ProgID, and something hung a key on the class.
  const wchar_t newer[] = L"Kivra.UpdaraCom.2";
  ASSERT_TRUE(MakeKey(root_, L"Kivra.UpdaraCom\\CurVer", 0, newer));
  ASSERT_TRUE(MakeKey(root_, kMainClsidKey + L"\\TypeLib"));

  ASSERT_EQ(Unregister(L"C:\\A\\Updara.dll"), S_OK);
  EXPECT_EQ(RegText(root_, L"Kivra.UpdaraCom\\CurVer"), newer);
  EXPECT_FALSE(RegText(root_, L"Kivra.UpdaraCom\\CLSID").has_value());
  EXPECT_TRUE(KeyExists(root_, kMainClsidKey + L"\\TypeLib"));
  EXPECT_FALSE(KeyExists(root_, kMainClsidKey + L"\\InprocServer32"));
  EXPECT_FALSE(KeyExists(root_, L"Kivra.UpdaraCom.1"));
  EXPECT_FALSE(KeyExists(root_, L"Kivra.UpdFiles"));
}

TEST_F(UpdaraRegistrationRoutine, AFailedWriteIsReturnedAndWhatWasWrittenRemoved) {
  ASSERT_TRUE(MakeKey(root_, kClasses[2].progId, REG_OPTION_VOLATILE));
  EXPECT_EQ(Register(L"C:\\A\\Updara.dll"), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  ExpectNothingLeft(root_);
  EXPECT_EQ(SubkeyCount(root_, L"CLSID"), 0u);
  EXPECT_EQ(Register(L""), E_INVALIDARG);
}

TEST_F(UpdaraRegistrationRoutine, TheNeutralLocaleEntryNamesTheFileAndGoesOnlyWithThatFile) {
  const GUID& libid = LIBID_UPDARACOMLib;
  const std::wstring version = L"TypeLib\\{986558F4-A085-4114-934B-D2872CB5008F}\\1.0";
  ASSERT_TRUE(MakeKey(root_, version + L"\\409\\win64", 0, L"C:\\A\\Updara.dll"));  // RegisterTypeLib's
  ASSERT_EQ(updara::RegisterNeutralTypeLibPath(root_, libid, L"1.0", L"C:\\A\\Updara.dll"), S_OK);
  EXPECT_EQ(RegText(root_, version + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")), L"C:\\A\\Updara.dll");

  ASSERT_EQ(updara::UnregisterNeutralTypeLibPath(root_, libid, L"1.0", L"C:\\B\\Updara.dll"), S_OK);
  EXPECT_TRUE(KeyExists(root_, version + L"\\0"));
  ASSERT_EQ(updara::UnregisterNeutralTypeLibPath(root_, libid, L"1.0", L"c:\\a\\UPDARA.DLL"), S_OK);
  EXPECT_FALSE(KeyExists(root_, version + L"\\0"));
  EXPECT_TRUE(KeyExists(root_, version + L"\\409\\win64"));  // the library's own locale is left to UnRegisterTypeLib
  EXPECT_EQ(updara::UnregisterNeutralTypeLibPath(root_, libid, L"1.0", L"C:\\A\\Updara.dll"), S_OK);
}

// ---- the DLL file: exports, version, carried programs ----

// The version resource's texts, in its first translation.
std::vector<std::string> VersionStrings(const std::string& file, std::initializer_list<const char*> names) {
  std::vector<std::string> out;
  for (const char* name : names) out.push_back(lw::GetFileVersionString(file, name));
  return out;
}

TEST(UpdaraDll, ExportsOnlyTheComEntryPointsUndecorated) {
  HMODULE dll = LoadLibraryW(kDll.c_str());
  ASSERT_NE(dll, nullptr) << GetLastError();
  const BYTE* base = reinterpret_cast<const BYTE*>(dll);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> exported;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) exported.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  std::sort(exported.begin(), exported.end());
  EXPECT_EQ(exported, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                                "DllUnregisterServer"}));
  EXPECT_EQ(exports->NumberOfFunctions, 4u);

  auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnloadNow, nullptr);
  void* factory = &factory;  // must be cleared on failure
  const CLSID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(getClassObject(other, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(getClassObject(updara::CLSID_UpdaraCom, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(canUnloadNow(), S_OK);

  // A live factory, a lock and an object each keep the DLL loaded; aggregation is refused.
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  IClassFactory* cf = nullptr;
  ASSERT_EQ(getClassObject(updara::CLSID_UpdFiles, IID_IClassFactory, reinterpret_cast<void**>(&cf)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  IUnknown* object = nullptr;
  EXPECT_EQ(cf->CreateInstance(reinterpret_cast<IUnknown*>(cf), IID_IUnknown, reinterpret_cast<void**>(&object)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(cf->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
  object->Release();
  ASSERT_EQ(cf->LockServer(TRUE), S_OK);
  ASSERT_EQ(cf->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // the factory itself
  ASSERT_EQ(cf->LockServer(TRUE), S_OK);
  cf->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);  // the lock alone
  ASSERT_EQ(getClassObject(updara::CLSID_UpdFiles, IID_IClassFactory, reinterpret_cast<void**>(&cf)), S_OK);
  ASSERT_EQ(cf->LockServer(FALSE), S_OK);
  cf->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
  CoUninitialize();
  FreeLibrary(dll);
}

TEST(UpdaraDll, VersionResourceNamesTheComponent) {
  const std::string dll = updara_test::Ansi(kDll);
  EXPECT_EQ(VersionStrings(dll, {"ProductName", "FileDescription", "OriginalFilename", "CompanyName"}),
            (std::vector<std::string>{"Updara", "Updara update component", "Updara.dll", "Brenk Group"}));
  const std::string version = std::to_string(LW_VERSION_MAJOR) + "." + std::to_string(LW_VERSION_MINOR) + "." +
                              std::to_string(LW_VERSION_REVISION) + ".";
  EXPECT_EQ(lw::GetFileVersion(dll).rfind(version, 0), 0u) << lw::GetFileVersion(dll);
}

TEST(UpdaraDll, CarriesTheUpdaterAndRestarterAsRunningPrograms) {
  // Each started without its arguments ends at once, having done nothing: the updater has no list
  // to act on, the restarter no event to wait for.
  struct Carried { int id; const char* builtFile; const wchar_t* name; DWORD exitWithoutArguments; };
  const Carried carried[] = {{IDR_UPDARA_UPDATER, LW_UPDARA_UPD_EXE, L"UpdaraUpd.exe", 2},
                             {IDR_UPDARA_RESTARTER, LW_UPDARA_STR_EXE, L"UpdaraStr.exe", 0}};
  HMODULE dll = LoadLibraryExW(kDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(dll, nullptr) << GetLastError();
  lw::fixtures::ScratchFolder scratch;
  for (const Carried& c : carried) {
    SCOPED_TRACE(c.name);
    HRSRC found = FindResourceW(dll, MAKEINTRESOURCEW(c.id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(dll, found)));
    ASSERT_NE(data, nullptr);
    const std::string bytes(data, SizeofResource(dll, found));
    // The program of this build, not a stale copy.
    EXPECT_EQ(bytes, updara_test::ReadAll(updara_test::Ansi(WinPath(c.builtFile))));

    const std::string written = scratch.Win("carried.exe");
    { std::ofstream(written, std::ios::binary) << bytes; }
    EXPECT_EQ(VersionStrings(written, {"ProductName", "OriginalFilename"}),
              (std::vector<std::string>{"Updara", updara_test::Ansi(c.name)}));
    EXPECT_EQ(RunProgram(L"\"" + updara_test::Wide(written) + L"\""), c.exitWithoutArguments);
  }
  FreeLibrary(dll);
}

}  // namespace
