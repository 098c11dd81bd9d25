// The diagnostic report: everything the main window shows, panel by panel, as plain text to send
// to support. It is made from the same views the window applies, so a label and its line in the
// report say the same; the Windows layer only gathers them (from the window, or from a fresh
// analysis for the command line) and writes the text.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/diagnostics/file_sharing.h"
#include "app/diagnostics/report_temp.h"
#include "app/shell/main_view.h"

namespace lw {

// A value beside its caption, as one line of the report.
struct ReportField {
  std::string caption;
  LabelView value;
};

struct DiagnosticFacts {
  std::string created;           // "2026-12-07 12:30:00"
  std::string programVersion;    // "18.0.21"
  std::string componentVersion;  // the update component's file version; empty when not found
  std::string outcome;           // why the report is incomplete; empty when it is not

  std::string dataPath;
  std::string company;                // empty: the path is no data folder
  SagePanelsView panels;              // SagePanelsOf, or EmptySagePanels
  LabelView login;                    // lblRecs
  std::string sageIniFolder;          // where SAGE.INI was found
  std::vector<std::string> users;     // the data's user list, the manager first
  std::vector<std::string> loggedIn;  // the login queue as listed: user and access, then station

  // "Windows Info": the version with the user's rights (its tooltip the version details), the
  // processor, the anti-virus products and the memory in use.
  LabelView windowsVersion, processor, antiVirus, memory;
  bool smb2MenuVisible = false;
  std::array<LabelView, 2> oplocks;  // client disabled, server enabled
  std::array<LabelView, 4> signing;  // client enabled, client required, server enabled, server required
  ReportTempView reportTemp;
  // The speed test's results of this run, one field per line the test shows; none when no test
  // ran, and then the report has no speed test section.
  std::vector<ReportField> speedTest;
};

// The word a colour adds to its line: "needs attention" for magenta, "good" for blue.
std::string ColourWord(uint32_t colour);

std::string DiagnosticReportText(const DiagnosticFacts& facts);

}  // namespace lw
