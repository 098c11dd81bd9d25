// What the tests of the check and the download share: a component made as a host makes it
// (blocking, with an event sink, its temporary folder the test's own so that every file it leaves
// there can be counted), the entries it found, the events it fired, and small helpers for bodies
// and arguments. Each test suite registers the DLL it is about.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "component/digest_win.h"
#include "tests/component/com_client_win.h"
#include "tests/fixtures/http_server_win.h"
#include "tests/fixtures/test_env_win.h"

namespace updara_test {

constexpr char kSignature[] = "#Update file signature\r\n";

inline std::string Random(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

// Check's arguments. The text argument is the component's to read and the call's to free: a
// temporary that lives until the end of the full expression.
struct TextArg {
  VARIANT v;
  explicit TextArg(const std::string& text) {
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(Wide(text).c_str());
  }
  ~TextArg() { VariantClear(&v); }
  operator VARIANT() const { return v; }
};
// An optional argument given as Empty, as a script passes a variable it never set.
inline VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

// A text property of one of the component's objects, in the system code page.
template <class Object>
std::string TextOf(Object* o, HRESULT (STDMETHODCALLTYPE Object::*get)(BSTR*)) {
  return Ansi(Get(o, get));
}

inline bool Marked(IUpdFile* f) { return ValueOf(f, &IUpdFile::get_NeedReplace) != VARIANT_FALSE; }

inline lw::fixtures::HttpResponse Answer(int status, std::string body) {
  lw::fixtures::HttpResponse r;
  r.status = status;
  r.reason = status == 200 ? "OK" : "Error";
  r.contentType = "application/octet-stream";
  r.body = std::move(body);
  return r;
}

inline std::string Sha256Hex(const std::string& bytes) {
  updara::CngDigest sha256(BCRYPT_SHA256_ALGORITHM);
  sha256.Update(bytes.data(), bytes.size());
  return sha256.Hex();
}

class UpdateClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof directory, directory);
    savedDirectory = directory;
    o = CreateUpdara();
    ASSERT_NE(o.p, nullptr);
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwDownloadTest")), S_OK);
    ASSERT_EQ(o->put_Blocking(VARIANT_TRUE), S_OK);
    Connect(o.p, sink);
  }
  void TearDown() override {
    o.reset();
    SetCurrentDirectoryA(savedDirectory.c_str());
    CoUninitialize();
  }

  // An entry as a host leaves it for the download.
  void Add(const std::string& name, const std::string& url, long size = 0, const std::string& md5 = "",
           bool compressed = false) {
    Ref<IUpdFiles> files = RefOf(o.p, &IUpdaraCom::get_Files);
    Ref<IUpdFile> f;
    ASSERT_EQ(files->Add(Bstr(Wide(name).c_str()), f.put()), S_OK);
    f->put_URL(Bstr(Wide(url).c_str()));
    f->put_Size(size);
    f->put_NewMD5(Bstr(Wide(md5).c_str()));
    f->put_Compressed(compressed ? VARIANT_TRUE : VARIANT_FALSE);
  }
  Ref<IUpdFile> Entry(short index) {
    Ref<IUpdFile> f;
    EXPECT_EQ(RefOf(o.p, &IUpdaraCom::get_Files)->get_Item(Short(index), f.put()), S_OK);
    return f;
  }
  short Count() { return ValueOf(RefOf(o.p, &IUpdaraCom::get_Files).p, &IUpdFiles::get_Count); }
  short MessageCount() { return ValueOf(RefOf(o.p, &IUpdaraCom::get_Messages).p, &IUpdMessages::get_Count); }
  // The files the component left in its temporary folder.
  std::set<std::string> Leftovers() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(temp.Path()))
      if (e.is_regular_file()) names.insert(e.path().filename().string());
    return names;
  }
  // The code of each FileDone, in order.
  std::vector<long> FileCodes() const {
    std::vector<long> codes;
    for (const Event& e : sink.Of(EventFileDone)) codes.push_back(e.numbers.at(0));
    return codes;
  }
  long DownloadResult() const {
    const std::vector<Event> done = sink.Of(EventDownloadDone);
    EXPECT_EQ(done.size(), 1u);
    return done.empty() ? -1 : done.back().numbers.at(0);
  }

  lw::fixtures::ScratchFolder temp;
  TemporaryFolderAs tmp{temp.Win()};
  std::string savedDirectory;
  Sink sink;
  Ref<IUpdaraCom> o;
};

}  // namespace updara_test
