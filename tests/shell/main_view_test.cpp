// What the main window shows, decided from what the analysis, the log-in and the busy state found.
#include "app/shell/main_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tools/colours.h"

namespace lw {
namespace {

DataFolderFacts Wickham() {
  DataFolderFacts f;
  f.dataVersion = "18";
  f.programType = "A+";
  f.install.ProgramFolder = "c:\\program files\\sage\\accounts\\";
  f.install.SetupFolder = "c:\\programdata\\sage\\accounts\\2012\\";
  f.install.ReportsFolder = "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\";
  f.install.SageVersion = "18.0.10.208";
  f.install.SdoVersion = "18.0.10.208";
  f.install.SbdVersion = "2.1.0.7";
  f.install.ReportDesignerVersion = "3.2.1.0";
  f.install.EditionCode = "A+";
  f.install.EditionName = "Accounts Plus";
  f.install.SageUserCount = 5;
  f.install.SageCompanyCount = 3;
  f.install.InstalledUpdates = {{"UPDATE 1", "2012-01-10"}};
  f.reportsFound = true;
  f.dataLocation = "Local Data";
  f.counts.Transactions = 18342;
  return f;
}

TEST(SagePanels, ADataFolderFillsEveryPanelAndMarksWhatIsMissing) {
  SagePanelsView v = SagePanelsOf(Wickham());
  EXPECT_EQ(v.ver, (LabelView{"A+18", kNormalColour, ""}));
  EXPECT_EQ(v.sdoCaption.text, "SDO Version");
  EXPECT_EQ(v.sdo, (LabelView{"18.0.10.208", kNormalColour, ""}));
  EXPECT_EQ(v.sbd.text, "2.1.0.7");
  EXPECT_EQ(v.rep.text, "3.2.1.0");
  EXPECT_EQ(v.progPath, (LabelView{"c:\\program files\\sage\\accounts\\", kNormalColour, "Double click to open folder."}));
  EXPECT_EQ(v.setPath.tip, "Double click to open folder.");
  EXPECT_EQ(v.repPath, (LabelView{"c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\", kNormalColour,
                                  "\"Use Data Path For Reports\" setting is Off"}));
  EXPECT_EQ(v.progType.text, "Sage 50 Accounts Plus 5 User 3 Company");
  EXPECT_EQ(v.sagVer.text, "18.0.10.208");
  EXPECT_EQ(v.net.text, "Local Data");
  EXPECT_TRUE(v.counts.text.starts_with("Transactions: 18342\r\n")) << v.counts.text;
  ASSERT_EQ(v.updates.size(), 1u);
  EXPECT_EQ(v.updates[0].date, "2012-01-10");
  EXPECT_TRUE(v.menuEnabled);

  DataFolderFacts missing = Wickham();
  missing.install.SdoVersion.clear();
  missing.reportsFound = false;
  missing.install.UseDataPathForReports = true;
  v = SagePanelsOf(missing);
  EXPECT_EQ(v.sdoCaption.text, "SDO");
  EXPECT_EQ(v.sdo, (LabelView{"v18 SDO is not installed", kWarningColour, ""}));
  EXPECT_EQ(v.repPath.colour, kWarningColour);
  EXPECT_EQ(v.repPath.tip, "\"Use Data Path For Reports\" setting is On - NO REPORTS FOUND");
}

TEST(SagePanels, OutsideADataFolderEveryPanelIsEmptyWithoutWarnings) {
  SagePanelsView v = EmptySagePanels();
  for (const LabelView* l : {&v.ver, &v.sdo, &v.sbd, &v.rep, &v.progPath, &v.setPath, &v.repPath, &v.serial,
                             &v.progType, &v.sagVer, &v.net, &v.counts}) {
    EXPECT_EQ(l->text, "");
    EXPECT_EQ(l->colour, kNormalColour);
  }
  EXPECT_EQ(v.sdoCaption.text, "SDO Version") << "the not-installed wording is only for a data folder";
  EXPECT_EQ(v.repPath.tip, "");
  EXPECT_EQ(v.progPath.tip, "Double click to open folder.");
  EXPECT_TRUE(v.updates.empty());
  EXPECT_FALSE(v.menuEnabled);
}

// The marks as "cross(0) tick(0) cross(1) tick(1)", 1 for shown.
std::string Marks(const LoginView& v) {
  std::string m;
  for (int i = 0; i < 2; ++i) m += std::string(v.cross[i] ? "1" : "0") + (v.tick[i] ? "1" : "0");
  return m;
}

LoginFacts Known(const std::string& user) {
  LoginFacts f;
  f.dataFolder = f.versionSupported = true;
  f.userName = user;
  f.users = {"manager", "JO", "Sarah"};
  return f;
}

TEST(LoginView, TheEngineIsAskedOnlyForAKnownUserOfDataItCanOpen) {
  struct Case {
    const char* name;
    LoginFacts facts;
    const char* marks;  // empty: the engine is asked
    const char* recs;
  };
  LoginFacts noFolder = Known("manager");
  noFolder.dataFolder = false;
  LoginFacts unsupported = Known("manager");
  unsupported.versionSupported = false;
  unsupported.refusal = "Sage 50 v19 is not supported yet";
  LoginFacts noUserList = Known("MaNaGeR");
  noUserList.users = {"manager"};
  LoginFacts blankListed = Known("");
  blankListed.users = {"manager", ""};
  for (const Case& c : {Case{"no data folder", noFolder, "0000", ""},
                        Case{"data it cannot open", unsupported, "0000", "Sage 50 v19 is not supported yet"},
                        Case{"no name", Known("  "), "1010", "User Name Not Entered"},
                        Case{"unknown name", Known("zed"), "1010", "Invalid User Name"},
                        Case{"a blank name listed", blankListed, "1010", "User Name Not Entered"},
                        Case{"the manager in any case", noUserList, "", ""},
                        Case{"a listed user, trimmed, in any case", Known(" sarah "), "", ""}}) {
    SCOPED_TRACE(c.name);
    std::optional<LoginView> v = LoginViewBeforeEngine(c.facts);
    if (!*c.marks) {
      EXPECT_FALSE(v.has_value());
      continue;
    }
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(Marks(*v), c.marks);
    EXPECT_EQ(v->recs, (LabelView{c.recs, kWarningColour, ""}));
    EXPECT_FALSE(v->speedEnabled);
    EXPECT_EQ(v->crossTip[1], v->cross[1] ? c.recs : "");
  }
}

TEST(LoginView, TheEnginesAnswerDecidesThePasswordMarkTheCountAndTheSpeedTest) {
  struct Case {
    const char* name;
    EngineAnswer answer;
    bool busy;
    const char* marks;
    LabelView recs;
    bool speed;
  };
  for (const Case& c : {
           Case{"logged in", {true, 0, "", "Customer", 2}, false, "0101", {"Customer 2 Records", kNormalColour, ""}, true},
           Case{"one record is not plural", {true, 0, "", "Split", 1}, false, "0101", {"Split 1 Record", kNormalColour, ""},
                true},
           Case{"logged in during a run", {true, 0, "", "Nominal", 0}, true, "0101",
                {"Nominal 0 Records", kNormalColour, ""}, false},
           Case{"a wrong password", {false, 22, "Bad password", "", 0}, false, "0110",
                {"Invalid Password", kWarningColour, ""}, false},
           Case{"data in use can still be measured", {false, 23, "Data is in use", "", 0}, false, "0110",
                {"Data is in use", kWarningColour, ""}, true},
           Case{"but never during a run", {false, 23, "Data is in use", "", 0}, true, "0110",
                {"Data is in use", kWarningColour, ""}, false},
           Case{"another refusal", {false, 31, "Login Failed", "", 0}, false, "0110",
                {"Login Failed", kWarningColour, ""}, false},
       }) {
    SCOPED_TRACE(c.name);
    LoginFacts facts = Known("manager");
    facts.busy = c.busy;
    LoginView v = LoginViewAfterEngine(facts, c.answer);
    EXPECT_EQ(Marks(v), c.marks);
    EXPECT_EQ(v.recs, c.recs);
    EXPECT_EQ(v.speedEnabled, c.speed);
    EXPECT_EQ(v.crossTip[1], v.cross[1] ? c.recs.text : "");
  }
}

TEST(BusyView, ALongOperationDisablesTheInputsAndTheFixesAndExitStopsIt) {
  struct Case {
    BusyFacts facts;
    BusyView view;
  };
  for (const Case& c : {
           // busy, data folder, temp box magenta, temp box active
           Case{{true, true, true, true}, {false, false, false, "Stop", true, false, false}},
           Case{{false, true, true, true}, {true, true, true, "Exit", false, true, true}},
           Case{{false, false, false, true}, {true, true, false, "Exit", false, false, true}},
           Case{{false, true, true, false}, {true, true, true, "Exit", false, false, false}},
       }) {
    EXPECT_EQ(BusyViewOf(c.facts), c.view) << c.facts.busy << c.facts.dataFolder << c.facts.tempNeedsFix
                                           << c.facts.tempActive;
  }
}

}  // namespace
}  // namespace lw
