// What the tests of the check and the download share: a component made as a host makes it (blocking,
// with an event sink, in a temporary folder of the test's own where every file it leaves is counted),
// its entries and events, and helpers for bodies. Each test suite registers the DLL it is about.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <zlib.h>

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
// The zlib format, as the publisher compresses a ".gz" file.
inline std::string Zlib(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size(), 9);
  return out.resize(size), out;
}
// The digest of the bytes in lower-case hexadecimal (BCRYPT_MD5_ALGORITHM, BCRYPT_SHA256_ALGORITHM).
inline std::string DigestHex(const wchar_t* algorithm, const std::string& bytes) {
  updara::CngDigest digest(algorithm);
  digest.Update(bytes.data(), bytes.size());
  return digest.Hex();
}

// A text property of one of the component's objects, in the system code page.
template <class Object>
std::string TextOf(Object* o, HRESULT (STDMETHODCALLTYPE Object::*get)(BSTR*)) {
  return Ansi(Get(o, get));
}

inline bool Marked(IUpdFile* f) { return ValueOf(f, &IUpdFile::get_NeedReplace) != VARIANT_FALSE; }

inline lw::fixtures::HttpResponse Answer(int status, std::string body) {
  lw::fixtures::HttpResponse r;
  r.status = status, r.reason = status == 200 ? "OK" : "Error", r.contentType = "application/octet-stream";
  r.body = std::move(body);
  return r;
}

// Every test forgets the sequence of the signed documents accepted before and after it.
class UpdateClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetAcceptedSequences();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    GetCurrentDirectoryA(sizeof directory, directory);
    o = CreateUpdara();
    ASSERT_NE(o.get(), nullptr);
    ASSERT_EQ(o->put_UpdaterName(Bstr(L"LwDownloadTest")), S_OK);
    ASSERT_EQ(o->put_Blocking(VARIANT_TRUE), S_OK);
    Connect(o.get(), sink);
  }
  void TearDown() override {
    o.Reset();
    SetCurrentDirectoryA(directory);  // a test may look for local copies in a folder of its own
    CoUninitialize(), ForgetAcceptedSequences();
  }

  // Checks the document at the URL; the code of CheckDone, which a blocking Check returns too.
  long CheckAt(const std::string& url) {
    sink.events.clear();
    EXPECT_EQ(o->put_URL(Bstr(Wide(url).c_str())), S_OK);
    const HRESULT hr = o->Check(MissingArg(), MissingArg());
    const std::vector<Event> done = sink.Of(EventCheckDone);
    EXPECT_EQ(done.size(), 1u) << url;
    const long code = done.empty() ? -1 : done[0].numbers.at(1);
    EXPECT_EQ(hr, code == 0 ? S_OK : Err(code)) << url;
    return code;
  }
  // An entry as a host leaves it for the download.
  void Add(const std::string& name, const std::string& url, long size = 0) {
    ComRef<IUpdFile> f;
    ASSERT_EQ(RefOf(o.get(), &IUpdaraCom::get_Files)->Add(Bstr(Wide(name).c_str()), f.put()), S_OK);
    f->put_URL(Bstr(Wide(url).c_str())), f->put_Size(size);
  }
  ComRef<IUpdFile> Entry(short index) {
    ComRef<IUpdFile> f;
    EXPECT_EQ(RefOf(o.get(), &IUpdaraCom::get_Files)->get_Item(Short(index), f.put()), S_OK);
    return f;
  }
  std::string Arrived(short index) { return ReadAll(TextOf(Entry(index).get(), &IUpdFile::get_NewPath)); }
  short Count() { return ValueOf(RefOf(o.get(), &IUpdaraCom::get_Files).get(), &IUpdFiles::get_Count); }
  short MessageCount() { return ValueOf(RefOf(o.get(), &IUpdaraCom::get_Messages).get(), &IUpdMessages::get_Count); }
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
    return done.size() == 1 ? done[0].numbers.at(0) : -1;  // one DownloadDone only
  }

  char directory[MAX_PATH] = {};
  lw::fixtures::ScratchFolder temp;
  TemporaryFolderAs tmp{temp.Win()};
  Sink sink;
  ComRef<IUpdaraCom> o;
};

}  // namespace updara_test
