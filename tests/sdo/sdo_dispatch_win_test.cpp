// The engine wrapper against the stand-in engine, installed and registered as a real in-process
// server in the Wine prefix.
#include "app/sdo/sdo_dispatch_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "app/tools/files_win.h"
#include "tests/fixtures/sage_data.h"
#include "tests/fixtures/sage_install_win.h"
#include "tests/fixtures/sdo_standin_win.h"
#include "tests/fixtures/test_env_win.h"

namespace lw {
namespace {

class SdoDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::ResetProgramState();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    data_ = dir_.Win("ACCDATA");
    MakePath(data_);
  }
  void TearDown() override {
    fixtures::ResetProgramState();
    CoUninitialize();
  }

  fixtures::SdoData Sample() {
    fixtures::SdoData d;
    d.users = {{"MANAGER", "secret"}, {"Clerk", ""}};
    d.customers = {{"Ashdown Builders", "Helen"}, {"Bramley Kitchens", ""}, {"Crane & Sons", "Mark"}};
    d.nominals = {{"Sales", "17"}, {"Bank", "18"}};
    d.splits = {{"Invoice 1001"}};
    return d;
  }

  // Engine, workspace with UI off, and a log-in with the given credentials.
  bool Open(SdoEngine& engine, SdoWorkspace& workspace, const std::string& user = "MANAGER",
            const std::string& password = "secret") {
    std::string error;
    EXPECT_TRUE(SdoEngine::Create("18", engine, error)) << error;
    EXPECT_TRUE(engine.AddWorkspace("MainSpace", workspace)) << engine.Fault().text;
    EXPECT_TRUE(workspace.SetUI(false)) << workspace.Fault().text;
    return workspace.Connect(data_ + "\\", user, password, "LINE50A+");
  }

  fixtures::ScratchFolder dir_;
  std::string data_;
};

TEST_F(SdoDispatch, EngineIsCreatedByTheClassOfItsVersionOnly) {
  // Every version's engine but 17's; each created by its own class, which the stand-in checks
  // against its own list.
  for (int v = 7; v <= 18; ++v)
    if (v != 17) fixtures::InstallSdoStandIn(v, std::to_string(v) + ".0.1.5");
  std::string error;
  for (int v = 7; v <= 18; ++v) {
    SdoEngine engine;
    bool created = SdoEngine::Create(std::to_string(v), engine, error);
    EXPECT_EQ(created, v != 17) << v << ": " << error;
    EXPECT_EQ(static_cast<bool>(engine), v != 17) << v;
    if (!created) continue;
    EXPECT_EQ(error, "");
    // The object answers the engine interface and plain IDispatch.
    IUnknown* itf = nullptr;
    ASSERT_EQ(engine.Dispatch()->QueryInterface(kSdoEngineInterface, reinterpret_cast<void**>(&itf)), S_OK);
    itf->Release();
    SdoWorkspace workspace;
    EXPECT_TRUE(engine.AddWorkspace("MainSpace", workspace)) << v << engine.Fault().text;
  }

  // Not installed: a clean failure with the reason.
  SdoEngine missing;
  EXPECT_FALSE(SdoEngine::Create("17", missing, error));
  EXPECT_FALSE(missing);
  EXPECT_NE(error.find("data version 17"), std::string::npos) << error;
  EXPECT_NE(error.find("0x80040154"), std::string::npos) << error;  // class not registered
  // No engine class for the text at all.
  for (const char* v : {"09", "19", ""}) {
    EXPECT_FALSE(SdoEngine::Create(v, missing, error)) << v;
    EXPECT_NE(error, "") << v;
  }
  // Calls on holders without an object fail, they do not crash.
  SdoWorkspace none;
  EXPECT_FALSE(none.Connect("c:\\", "MANAGER", "", "LINE50"));
  EXPECT_EQ(none.Fault().hr, E_POINTER);
  SdoRecord noRecord;
  EXPECT_FALSE(noRecord.Count().has_value());
  EXPECT_FALSE(noRecord.Field("NAME").has_value());
  long code = -1;
  std::string text = "x";
  EXPECT_FALSE(missing.LastError(code, text));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(text, "");
}

TEST_F(SdoDispatch, ConnectSucceedsOrFailsWithTheEnginesCodeAndText) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  const std::string folder = data_ + "\\";
  fixtures::WriteSdoData(data_, Sample());
  {
    // User names compare without letter case, passwords exactly.
    SdoEngine engine;
    SdoWorkspace workspace;
    EXPECT_TRUE(Open(engine, workspace, "manager", "secret")) << workspace.Fault().text;
    EXPECT_TRUE(workspace.Disconnect());
    EXPECT_TRUE(workspace.Connect(folder, "CLERK", "", "LINE50A+")) << workspace.Fault().text;
  }

  // Each failure with the engine's code and text, from its exception and from LastError.
  const char* const kInvalid = "Invalid user name or password";
  const struct {
    const char* user;
    const char* password;
    int failCode;  // > 0: the data file makes every Connect fail so; 0: the sample data; < 0: no data file
    const char* failText;
    long code;
    const char* text;  // the engine's text; nullptr: not checked, but the wrapper still says what failed
  } kFailures[] = {
      {"MANAGER", "Secret", 0, "", 22, kInvalid},
      {"NOBODY", "", 0, "", 22, kInvalid},
      {"MANAGER", "secret", 23, "Data is in use by another program", 23, "Data is in use by another program"},
      {"MANAGER", "secret", 31, "", 31, ""},
      {"MANAGER", "secret", -1, "", 1, nullptr},
  };
  fixtures::SdoData failing = Sample();
  failing.connectFails = true;
  for (const auto& f : kFailures) {
    SCOPED_TRACE(std::string(f.user) + " " + std::to_string(f.code));
    if (f.failCode > 0) {
      failing.connectErrorCode = f.failCode;
      failing.connectErrorText = f.failText;
      fixtures::WriteSdoData(data_, failing);
    } else if (f.failCode < 0) {
      DeleteFileA(fixtures::SdoDataFile(data_).c_str());
    }
    SdoEngine engine;
    SdoWorkspace workspace;
    EXPECT_FALSE(Open(engine, workspace, f.user, f.password));
    EXPECT_EQ(workspace.Fault().hr, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, f.code));
    if (f.text && *f.text) {
      EXPECT_EQ(workspace.Fault().text, f.text);
    } else {
      EXPECT_NE(workspace.Fault().text, "");
    }
    long code = 0;
    std::string text = "stale";
    ASSERT_TRUE(engine.LastError(code, text)) << engine.Fault().text;
    EXPECT_EQ(code, f.code);
    if (f.text) {
      EXPECT_EQ(text, f.text);
    }
    SdoRecord record;
    EXPECT_FALSE(workspace.CreateObject("SalesRecord", record));  // never connected
    EXPECT_FALSE(record);
  }

  // Every attempt reached the engine as written: folder text exactly, user, connection name, user
  // and password by reference, UI off.
  std::vector<fixtures::SdoConnectCall> calls = fixtures::ReadSdoConnects(data_);
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0].folder, folder);
  EXPECT_EQ(calls[0].user, "manager");
  EXPECT_EQ(calls[1].user, "CLERK");
  EXPECT_EQ(calls[3].user, "NOBODY");
  for (const auto& call : calls) {
    EXPECT_EQ(call.connectionName, "LINE50A+");
    EXPECT_TRUE(call.byReference);
    EXPECT_FALSE(call.ui);
  }
}

TEST_F(SdoDispatch, RecordsAreCountedVisitedAndReadUntilTheWorkspaceDisconnects) {
  fixtures::InstallSdoStandIn(13, "13.0.0.1");
  fixtures::WriteSdoData(data_, Sample());
  SdoEngine engine;
  SdoWorkspace workspace;
  std::string error;
  ASSERT_TRUE(SdoEngine::Create("13", engine, error)) << error;
  ASSERT_TRUE(engine.AddWorkspace("MainSpace", workspace));
  ASSERT_TRUE(workspace.SetUI(false));
  // A lower-cased folder with its trailing backslash, as the program passes it.
  std::string folder = data_ + "\\";
  for (char& c : folder) c = char(tolower(static_cast<unsigned char>(c)));
  ASSERT_TRUE(workspace.Connect(folder, "MANAGER", "secret", "LINE50")) << workspace.Fault().text;
  ASSERT_EQ(fixtures::ReadSdoConnects(data_).size(), 1u);
  EXPECT_EQ(fixtures::ReadSdoConnects(data_)[0].folder, folder);

  SdoRecord customers, nominals, other;
  ASSERT_TRUE(workspace.CreateObject("SalesRecord", customers)) << workspace.Fault().text;
  EXPECT_EQ(customers.Count(), 3);
  EXPECT_TRUE(customers.MoveFirst());
  EXPECT_TRUE(customers.MoveNext());
  EXPECT_EQ(customers.Field("NAME"), "Bramley Kitchens");
  EXPECT_EQ(customers.Field("SALES_REP"), "");
  EXPECT_FALSE(customers.Field("AUDIT_REF").has_value());  // a field of another class
  EXPECT_NE(customers.Fault().hr, S_OK);
  EXPECT_EQ(customers.Field("NAME"), "Bramley Kitchens");
  EXPECT_EQ(customers.Fault().hr, S_OK);                      // a success clears the last failure
  EXPECT_TRUE(customers.MoveNext() && customers.MoveNext());  // past the last record: no current record
  EXPECT_FALSE(customers.Field("NAME").has_value());
  EXPECT_EQ(customers.Fault().text, "There is no current record");

  ASSERT_TRUE(workspace.CreateObject("NominalRecord", nominals));
  EXPECT_TRUE(nominals.MoveFirst());
  EXPECT_EQ(nominals.Field("AUDIT_REF"), "17");
  EXPECT_FALSE(workspace.CreateObject("PurchaseRecord", other));
  EXPECT_FALSE(other);
  EXPECT_EQ(workspace.Fault().text, "Unknown object class PurchaseRecord");

  // After Disconnect the records refuse to work instead of serving stale data.
  EXPECT_TRUE(workspace.Disconnect());
  EXPECT_FALSE(nominals.Count().has_value());
  EXPECT_EQ(nominals.Fault().text, "The workspace is not connected");
}

TEST_F(SdoDispatch, EditedFieldsAreWrittenBackAndCanBeRestoredExactly) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  fixtures::WriteSdoData(data_, Sample());
  const std::string original = ReadWholeFile(fixtures::SdoDataFile(data_), fixtures::kFixtureFileLimit);
  SdoEngine engine;
  SdoWorkspace workspace;
  ASSERT_TRUE(Open(engine, workspace)) << workspace.Fault().text;
  SdoRecord rec;
  ASSERT_TRUE(workspace.CreateObject("SalesRecord", rec));

  // Setting a field needs Edit first.
  ASSERT_TRUE(rec.MoveFirst());
  EXPECT_FALSE(rec.SetField("SALES_REP", "x"));
  EXPECT_EQ(rec.Fault().text, "The record is not being edited");
  EXPECT_FALSE(rec.Update());

  // Write "Test Record i" into each record, as the speed test does, keeping the old values.
  std::vector<std::string> saved;
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(i == 1 ? rec.MoveFirst() : rec.MoveNext());
    ASSERT_TRUE(rec.Edit()) << rec.Fault().text;
    saved.push_back(rec.Field("SALES_REP").value_or("?"));
    ASSERT_TRUE(rec.SetField("SALES_REP", "Test Record " + std::to_string(i))) << rec.Fault().text;
    ASSERT_TRUE(rec.Update()) << rec.Fault().text;
  }
  fixtures::SdoData written = fixtures::ReadSdoData(data_);
  ASSERT_EQ(written.customers.size(), 3u);
  EXPECT_EQ(written.customers[1].salesRep, "Test Record 2");
  EXPECT_EQ(written.customers[1].name, "Bramley Kitchens");  // the other field is untouched

  // Putting every old value back gives the original file, byte for byte.
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(i == 1 ? rec.MoveFirst() : rec.MoveNext());
    ASSERT_TRUE(rec.Edit());
    ASSERT_TRUE(rec.SetField("SALES_REP", saved[size_t(i - 1)]));
    ASSERT_TRUE(rec.Update());
  }
  EXPECT_EQ(ReadWholeFile(fixtures::SdoDataFile(data_), fixtures::kFixtureFileLimit), original);
  EXPECT_TRUE(workspace.Disconnect());

  // An engine told to refuse edits answers False, which is no failure; fields then stay as they are.
  fixtures::SdoData refusing = Sample();
  refusing.refuseEdit = true;
  fixtures::WriteSdoData(data_, refusing);
  const std::string before = ReadWholeFile(fixtures::SdoDataFile(data_), fixtures::kFixtureFileLimit);
  ASSERT_TRUE(workspace.Connect(data_ + "\\", "MANAGER", "secret", "LINE50A+")) << workspace.Fault().text;
  ASSERT_TRUE(workspace.CreateObject("NominalRecord", rec));
  ASSERT_TRUE(rec.MoveFirst());
  EXPECT_FALSE(rec.Edit());
  EXPECT_EQ(rec.Fault().hr, S_OK);
  EXPECT_FALSE(rec.SetField("AUDIT_REF", "Test Record 1"));
  EXPECT_FALSE(rec.Update());
  EXPECT_EQ(ReadWholeFile(fixtures::SdoDataFile(data_), fixtures::kFixtureFileLimit), before);
}

}  // namespace
}  // namespace lw
