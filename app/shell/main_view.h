// What the main window shows, worked out from what the analysis, the log-in and the busy state
// found: texts, colours, tooltips and which controls are enabled. The window only applies these
// views; everything that decides is here, so it is tested natively, and anything else that reports
// on the installation reads the same views.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/datafiles/record_counts.h"
#include "app/discovery/installation.h"
#include "app/tools/colours.h"

namespace lw {

// A label as the window shows it.
struct LabelView {
  std::string text;
  uint32_t colour = kNormalColour;
  std::string tip;
  bool operator==(const LabelView&) const = default;
};

// What the analysis of a data folder found, as the panels need it.
struct DataFolderFacts {
  std::string dataVersion;  // "18", empty when unknown
  std::string programType;  // "A+", "IA", ...
  Installation install;
  bool reportsFound = false;  // the reports folder holds Sage's report files
  std::string dataLocation;   // "Local Data", "Mapped Drive", ...
  RecordCounts counts;
};

// The top row's data version, "Sage Program Info", the speed test's data location, the record
// counts and the installed updates.
struct SagePanelsView {
  LabelView ver;
  LabelView sdoCaption;  // "SDO Version", or "SDO" beside the not-installed wording
  LabelView sdo, sbd, rep;
  LabelView progPath, setPath, repPath, serial, progType, sagVer;
  LabelView net;
  LabelView counts;
  std::vector<InstalledUpdate> updates;  // the name shown, the date as its tooltip
  bool menuEnabled = false;              // the tools menu has a data folder to work on
  bool operator==(const SagePanelsView&) const = default;
};

// For a data folder; and for a path that is not one, where every panel is empty.
SagePanelsView SagePanelsOf(const DataFolderFacts& facts);
SagePanelsView EmptySagePanels();

// What the log-in check knows before it asks the engine.
struct LoginFacts {
  bool dataFolder = false;          // a company name was read
  bool versionSupported = false;    // the data version and program type can be opened
  std::string refusal;              // why not, when they cannot
  std::string userName;             // the user box as typed
  std::vector<std::string> users;   // the data's user list; the first entry stands for the manager
  bool busy = false;
};

// What the engine answered: a log-in, and the record count of the chosen test's object.
struct EngineAnswer {
  bool loggedIn = false;
  long errorCode = 0;      // the engine's code of a refused log-in
  std::string errorText;   // its text, or why the engine could not be asked
  std::string testName;    // "Customer Read", ...
  long recordCount = 0;
};

// The marks beside the user name (0) and the password (1), lblRecs and the speed test's button.
struct LoginView {
  bool tick[2] = {false, false};
  bool cross[2] = {false, false};
  std::string crossTip[2];
  LabelView recs;
  bool speedEnabled = false;
  bool operator==(const LoginView&) const = default;
};

// The user name is known (the manager, in any case, or a name of the data's user list).
bool IsKnownUser(const LoginFacts& facts);
// The view when the check ends before the engine: no data folder, data it cannot open, or a user
// name it does not know; nullopt when the engine must be asked.
std::optional<LoginView> LoginViewBeforeEngine(const LoginFacts& facts);
// The view once the engine has answered.
LoginView LoginViewAfterEngine(const LoginFacts& facts, const EngineAnswer& answer);

// The busy state of the long operations.
struct BusyFacts {
  bool busy = false;
  bool dataFolder = false;       // for the tools menu
  bool tempNeedsFix = false;     // the report temporary folder box is magenta
  bool tempActive = false;       // it shows a folder of the data's version
};
struct BusyView {
  bool inputsEnabled = true;      // path, user, password, Browse, About, Start, the test options
  bool timerEnabled = true;
  bool menuEnabled = false;
  std::string exitCaption;        // "Exit", or "Stop" while busy
  bool sharingFixesOff = false;   // while busy; otherwise the frames decide when shown again
  bool tempFixEnabled = false;
  bool tempBoxEnabled = false;
  bool operator==(const BusyView&) const = default;
};
BusyView BusyViewOf(const BusyFacts& facts);

}  // namespace lw
