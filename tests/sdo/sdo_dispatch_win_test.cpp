// The engine wrapper against the stand-in engine, installed and registered as a real in-process
// server in the Wine prefix.
#include "app/sdo/sdo_dispatch_win.h"

#include <gtest/gtest.h>
#include <windows.h>

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
  }
  void TearDown() override {
    fixtures::ResetProgramState();
    CoUninitialize();
  }
  fixtures::ScratchFolder dir;
};

TEST_F(SdoDispatch, EngineIsCreatedByTheClassOfItsVersionOnly) {
  // Every version's engine but 17's; each created by its own class, which the stand-in checks
  // against its own list.
  for (int v = 7; v <= 18; ++v)
    if (v != 17) fixtures::InstallSdoStandIn(v, std::to_string(v) + ".0.1.5");
  std::string error;
  for (int v = 7; v <= 18; ++v) {
    SdoEngine engine;
    SdoWorkspace workspace;
    EXPECT_EQ(SdoEngine::Create(std::to_string(v), engine, error), v != 17) << v << ": " << error;
    EXPECT_EQ(engine.AddWorkspace("MainSpace", workspace), v != 17) << v << engine.Fault().text;
    // Not installed: a clean failure that names the version and "class not registered".
    const bool named = error.find("data version 17") != error.npos && error.find("0x80040154") != error.npos;
    EXPECT_TRUE(v != 17 || named) << error;
  }
  // Calls on holders without an object fail; they do not crash.
  SdoWorkspace none;
  EXPECT_FALSE(none.Connect("c:\\", "MANAGER", "", "LINE50"));
  EXPECT_EQ(none.Fault().hr, E_POINTER);
  EXPECT_FALSE(SdoRecord().Field("NAME").has_value());
}

// The engine's failures with its code and text, a log-in as the engine receives it, records that
// refuse to work once the workspace disconnects, and a refused edit.
TEST_F(SdoDispatch, ConnectsReadsRecordsAndReportsTheEnginesFailures) {
  fixtures::InstallSdoStandIn(18, "18.0.10.208");
  const std::string data = dir.Win("ACCDATA");
  fixtures::SdoData d;
  d.users = {{"MANAGER", "secret"}};
  d.customers = {{"Ashdown Builders", "Helen"}, {"Bramley Kitchens", ""}, {"Crane & Sons", "Mark"}};
  d.nominals = {{"Sales", "17"}};
  d.connectFails = true;
  d.connectErrorCode = 23;
  SdoEngine engine;
  SdoWorkspace workspace;
  std::string error;
  ASSERT_TRUE(SdoEngine::Create("18", engine, error) && engine.AddWorkspace("MainSpace", workspace)) << error;
  ASSERT_TRUE(workspace.SetUI(false));
  for (const char* text : {"Data is in use by another program", ""}) {
    SCOPED_TRACE(text);
    d.connectErrorText = text;
    fixtures::WriteSdoData(data, d);
    EXPECT_FALSE(workspace.Connect(data + "\\", "MANAGER", "secret", "LINE50A+"));
    EXPECT_EQ(workspace.Fault().hr, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 23));
    // Without a text of the engine's, the wrapper still says what failed.
    EXPECT_TRUE(workspace.Fault().text.starts_with(*text ? text : "Connect failed with error"))
        << workspace.Fault().text;
    long code = 0;
    std::string last = "stale";
    ASSERT_TRUE(engine.LastError(code, last)) << engine.Fault().text;
    EXPECT_EQ(code, 23);
    EXPECT_EQ(last, text);
  }
  d.connectFails = false;
  fixtures::WriteSdoData(data, d);
  ASSERT_TRUE(workspace.Connect(data + "\\", "manager", "secret", "LINE50A+")) << workspace.Fault().text;
  // The folder text exactly, user and password by reference, UI off.
  const fixtures::SdoConnectCall call = fixtures::ReadSdoConnects(data).back();
  EXPECT_EQ(call.folder + "|" + call.user + "|" + call.connectionName, data + "\\|manager|LINE50A+");
  EXPECT_TRUE(call.byReference && !call.ui);

  SdoRecord rec;
  ASSERT_TRUE(workspace.CreateObject("SalesRecord", rec)) << workspace.Fault().text;
  EXPECT_EQ(rec.Count(), 3);
  EXPECT_TRUE(rec.MoveFirst() && rec.MoveNext());
  EXPECT_FALSE(rec.Field("AUDIT_REF").has_value());  // a field of another class
  EXPECT_EQ(rec.Field("NAME"), "Bramley Kitchens");
  EXPECT_EQ(rec.Fault().hr, S_OK) << "a success clears the last failure";
  EXPECT_TRUE(workspace.Disconnect());
  EXPECT_FALSE(rec.Count().has_value());
  EXPECT_EQ(rec.Fault().text, "The workspace is not connected");

  // An engine that refuses an edit answers False, which is no failure; the field stays as it is.
  d.refuseEdit = true;
  fixtures::WriteSdoData(data, d);
  ASSERT_TRUE(workspace.Connect(data + "\\", "MANAGER", "secret", "LINE50A+")) << workspace.Fault().text;
  ASSERT_TRUE(workspace.CreateObject("NominalRecord", rec) && rec.MoveFirst());
  EXPECT_FALSE(rec.Edit());
  EXPECT_EQ(rec.Fault().hr, S_OK);
  EXPECT_FALSE(rec.SetField("AUDIT_REF", "Test Record 1") || rec.Update());
  EXPECT_EQ(fixtures::ReadSdoData(data).nominals[0].auditRef, "17");
}

}  // namespace
}  // namespace lw
