// Updara.dll as a self-registering COM server: registration through regsvr32 into the prefix's
// HKEY_CLASSES_ROOT, the registration routine's edge cases in a scratch key, and the two programs
// it carries.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "component/carried_programs.h"
#include "component/classes_win.h"
#include "component/registration_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/test_env_win.h"
#include "updara_idl.h"

namespace {

using namespace updara_test;

// What hosts rely on, these identifiers never change: a sample of the classes, of either threading
// model and ProgID version.
struct ExpectedClass {
  const wchar_t *clsid, *progId, *independentProgId, *threadingModel;
};
constexpr ExpectedClass kClasses[] = {
    {L"{BFFA0BD1-630F-4D18-9865-33D5A3245486}", L"Kivra.UpdaraCom.1", L"Kivra.UpdaraCom", L"Apartment"},
    {L"{110A19B7-CD05-4F8E-97B8-B5B4B9C29C2C}", L"Kivra.UpdFiles.1", L"Kivra.UpdFiles", L"Both"},
    {L"{23409E9D-9A5D-4515-96EC-CDA2F1FFDBD2}", L"Kivra.UpdProcess.2", L"Kivra.UpdProcess", L"Both"},
};
const std::wstring kMainClsidKey = std::wstring(L"CLSID\\") + kClasses[0].clsid;

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t text[1024];
  DWORD bytes = sizeof text;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(text);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY k = nullptr;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS && RegCloseKey(k) == ERROR_SUCCESS;
}

bool MakeKey(HKEY root, const std::wstring& key, DWORD options = 0) {
  HKEY k = nullptr;
  return RegCreateKeyExW(root, key.c_str(), 0, nullptr, options, KEY_WRITE, nullptr, &k, nullptr) == ERROR_SUCCESS &&
         RegCloseKey(k) == ERROR_SUCCESS;
}

// The number of the key's subkeys; DWORD(-1) for a key that is not there.
DWORD SubkeyCount(HKEY root, const std::wstring& key) {
  HKEY k = nullptr;
  DWORD n = DWORD(-1);
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return n;
  RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(k);
  return n;
}

void ExpectRegistered(HKEY root, const std::wstring& server) {
  for (const ExpectedClass& c : kClasses) {
    SCOPED_TRACE(c.progId);
    const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
    EXPECT_EQ(_wcsicmp(RegText(root, key + L"\\InprocServer32").value_or(L"").c_str(), server.c_str()), 0);
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

TEST(UpdaraRegistration, RegsvrRegistersTheClassesAndTheTypeLibraryAndUnregisterRemovesWhatIsLeftOfThem) {
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ExpectRegistered(HKEY_CLASSES_ROOT, kDll);
  // The type library, filed under its own locale and the neutral one (where Wine's marshaller looks).
  wchar_t libid[40], iid[40];
  StringFromGUID2(LIBID_UPDARACOMLib, libid, 40);
  StringFromGUID2(IID_IUpdaraCom, iid, 40);
  const std::wstring libKey = std::wstring(L"TypeLib\\") + libid;
  const std::wstring platform = sizeof(void*) == 8 ? L"\\win64" : L"\\win32";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, libKey + L"\\1.0\\409" + platform));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, libKey + L"\\1.0\\0" + platform));

  // Removed also where some of it is gone already.
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, (kMainClsidKey + L"\\ProgID").c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, kClasses[1].progId), ERROR_SUCCESS);
  ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
  ExpectNothingLeft(HKEY_CLASSES_ROOT);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, libKey)) << "the library with both locales";
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + iid));
  EXPECT_EQ(Regsvr32(L"/u /s"), 0u) << "nothing left to remove";
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

TEST_F(UpdaraRegistrationRoutine, RemovesExactlyWhatItWroteOnlyForTheSameServerKeepingWhatOthersChanged) {
  const wchar_t* kServer = L"C:\\Program Files\\Brenk\\Updara.dll";
  ASSERT_EQ(Register(kServer), S_OK);
  ExpectRegistered(root_, kServer);
  // Classes another copy now serves are left to it; the same file is matched however it is spelt.
  ASSERT_EQ(Unregister(L"C:\\B\\Updara.dll"), S_OK);
  ExpectRegistered(root_, kServer);
  ASSERT_EQ(Unregister(L"c:\\program files\\brenk\\UPDARA.DLL"), S_OK);
  EXPECT_EQ(SubkeyCount(root_, L""), 1u);
  EXPECT_EQ(SubkeyCount(root_, L"CLSID"), 0u);

  // A later version took over the version-independent ProgID, and something hung a key on the class.
  ASSERT_EQ(Register(kServer), S_OK);
  const wchar_t newer[] = L"Kivra.UpdaraCom.2";
  ASSERT_EQ(RegSetKeyValueW(root_, L"Kivra.UpdaraCom\\CurVer", nullptr, REG_SZ, newer, sizeof newer), ERROR_SUCCESS);
  ASSERT_TRUE(MakeKey(root_, kMainClsidKey + L"\\TypeLib"));
  ASSERT_EQ(Unregister(kServer), S_OK);
  EXPECT_EQ(RegText(root_, L"Kivra.UpdaraCom\\CurVer"), newer);
  EXPECT_FALSE(RegText(root_, L"Kivra.UpdaraCom\\CLSID").has_value());
  EXPECT_TRUE(KeyExists(root_, kMainClsidKey + L"\\TypeLib"));
  EXPECT_FALSE(KeyExists(root_, kMainClsidKey + L"\\InprocServer32"));
  EXPECT_FALSE(KeyExists(root_, L"Kivra.UpdaraCom.1"));
  EXPECT_FALSE(KeyExists(root_, L"Kivra.UpdFiles"));
}

TEST_F(UpdaraRegistrationRoutine, AFailedWriteIsReturnedAndWhatWasWrittenRemoved) {
  // A non-volatile key cannot be created under a volatile one, so writing the ProgID's CLSID fails.
  ASSERT_TRUE(MakeKey(root_, kClasses[1].progId, REG_OPTION_VOLATILE));
  EXPECT_EQ(Register(L"C:\\A\\Updara.dll"), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
  ExpectNothingLeft(root_);
  EXPECT_EQ(SubkeyCount(root_, L"CLSID"), 0u);
  EXPECT_EQ(Register(L""), E_INVALIDARG);
}

TEST(UpdaraDll, CarriesTheUpdaterAndRestarterOfThisBuild) {
  HMODULE dll = LoadLibraryExW(kDll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(dll, nullptr) << GetLastError();
  for (const auto& [id, builtFile] :
       {std::pair{IDR_UPDARA_UPDATER, LW_UPDARA_UPD_EXE}, std::pair{IDR_UPDARA_RESTARTER, LW_UPDARA_STR_EXE}}) {
    SCOPED_TRACE(builtFile);
    HRSRC found = FindResourceW(dll, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    ASSERT_NE(found, nullptr);
    const std::string bytes(static_cast<const char*>(LockResource(LoadResource(dll, found))),
                            SizeofResource(dll, found));
    EXPECT_EQ(bytes, ReadAll(lw::fixtures::BuildTreeFile(builtFile))) << "a stale copy";
  }
  FreeLibrary(dll);
}

}  // namespace
