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
  f.install.ReportsFolder = "c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\";
  f.install.SdoVersion = "18.0.10.208";
  f.reportsFound = true;
  return f;
}

TEST(SagePanels, ADataFolderFillsEveryPanelAndMarksWhatIsMissing) {
  SagePanelsView v = SagePanelsOf(Wickham());
  EXPECT_EQ(v.ver, (LabelView{"A+18", kNormalColour, ""}));
  EXPECT_EQ(v.sdoCaption.text + "|" + v.sdo.text, "SDO Version|18.0.10.208");
  EXPECT_EQ(v.repPath, (LabelView{"c:\\programdata\\sage\\accounts\\2012\\company.000\\reports\\", kNormalColour,
                                  "\"Use Data Path For Reports\" setting is Off"}));

  DataFolderFacts missing = Wickham();
  missing.install.SdoVersion.clear();
  missing.reportsFound = false;
  missing.install.UseDataPathForReports = true;
  v = SagePanelsOf(missing);
  EXPECT_EQ(v.sdoCaption.text, "SDO");
  EXPECT_EQ(v.sdo, (LabelView{"v18 SDO is not installed", kWarningColour, ""}));
  EXPECT_EQ(v.repPath.tip, "\"Use Data Path For Reports\" setting is On - NO REPORTS FOUND");
  EXPECT_EQ(v.repPath.colour, kWarningColour);
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
  LoginFacts unsupported = Known("manager");
  unsupported.versionSupported = false;
  unsupported.refusal = "Sage 50 v19 is not supported yet";
  LoginFacts blankListed = Known("");
  blankListed.users = {"manager", ""};
  for (const Case& c : {Case{"data it cannot open", unsupported, "0000", "Sage 50 v19 is not supported yet"},
                        Case{"unknown name", Known("zed"), "1010", "Invalid User Name"},
                        Case{"a blank name listed", blankListed, "1010", "User Name Not Entered"},
                        Case{"a listed user, trimmed, in any case", Known(" sarah "), "", ""}}) {
    SCOPED_TRACE(c.name);
    std::optional<LoginView> v = LoginViewBeforeEngine(c.facts);
    ASSERT_EQ(v.has_value(), *c.marks != 0);
    if (!v) continue;
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
    const char* recs;
    bool speed;
  };
  for (const Case& c : {
           Case{"one record is not plural", {true, 0, "", "Split", 1}, false, "0101", "Split 1 Record", true},
           Case{"data in use: measurable", {false, 23, "Data is in use", "", 0}, false, "0110", "Data is in use", true},
           Case{"never during a run", {false, 23, "Data is in use", "", 0}, true, "0110", "Data is in use", false},
       }) {
    SCOPED_TRACE(c.name);
    LoginFacts facts = Known("manager");
    facts.busy = c.busy;
    LoginView v = LoginViewAfterEngine(facts, c.answer);
    EXPECT_EQ(Marks(v), c.marks);
    EXPECT_EQ(v.recs, (LabelView{c.recs, c.answer.loggedIn ? kNormalColour : kWarningColour, ""}));
    EXPECT_EQ(v.speedEnabled, c.speed);
    EXPECT_EQ(v.crossTip[1], v.cross[1] ? c.recs : "");
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
           Case{{false, true, true, false}, {true, true, true, "Exit", false, false, false}},
       }) {
    EXPECT_EQ(BusyViewOf(c.facts), c.view)
        << c.facts.busy << c.facts.dataFolder << c.facts.tempNeedsFix << c.facts.tempActive;
  }
}

}  // namespace
}  // namespace lw
