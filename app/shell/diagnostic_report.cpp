#include "app/shell/diagnostic_report.h"

#include <algorithm>

#include "app/tools/text.h"
#include "common/product.h"

namespace lw {

namespace {

class ReportWriter {
 public:
  void Line(const std::string& text) { text_ += text + "\r\n"; }
  void Section(const std::string& title) {
    if (!text_.empty()) Line("");
    Line("[" + title + "]");
  }
  // "Caption: text", the colour's word, and the tooltip on the next line when it says more.
  void Field(const std::string& caption, const LabelView& value, bool withTip = true) {
    std::string line = caption + ": " + value.text;
    if (const std::string word = ColourWord(value.colour); !word.empty()) line += "  [" + word + "]";
    Line(line);
    if (withTip && !value.tip.empty()) Line("    (" + value.tip + ")");
  }
  void Field(const std::string& caption, const std::string& text) {
    Field(caption, LabelView{text, kNormalColour, ""});
  }
  // A setting with the value it should have.
  void Setting(const std::string& caption, const LabelView& value, const std::string& good) {
    Field(caption + " (should be " + good + ")", value);
  }
  void List(const std::vector<std::string>& items) {
    if (items.empty()) Line("(none)");
    for (const std::string& item : items) Line("  " + item);
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace

std::string ColourWord(uint32_t colour) {
  if (colour == kWarningColour) return "needs attention";
  if (colour == kGoodColour) return "good";
  return "";
}

std::string DiagnosticReportText(const DiagnosticFacts& facts) {
  ReportWriter r;
  const SagePanelsView& p = facts.panels;
  r.Line(std::string(kAppTitle) + " Diagnostic Report");
  r.Field("Created", facts.created);
  r.Field("Program Version", facts.programVersion);
  r.Field("Component Version", facts.componentVersion.empty() ? "not found" : facts.componentVersion);
  r.Field("Result", facts.outcome.empty() ? LabelView{"complete", kNormalColour, ""}
                                          : LabelView{facts.outcome, kWarningColour, ""});

  r.Section("Data");
  r.Field("Data Path", facts.dataPath);
  r.Field("Company", facts.company);
  r.Field("Data Version", p.ver);
  r.Field("Data Location", p.net);
  r.Field("Log-in", facts.login);

  r.Section("Sage Program Info");
  r.Field("Program Path", p.progPath, false);
  r.Field("Settings Path", p.setPath, false);
  r.Field("Reports Path", p.repPath);
  r.Field("SAGE.INI Folder", facts.sageIniFolder);
  r.Field("Serial Number", p.serial);
  r.Field("Program Type", p.progType);
  r.Field("Sage Version", p.sagVer);
  r.Field(p.sdoCaption.text, p.sdo);
  r.Field("SBD Version", p.sbd);
  r.Field("REP Version", p.rep);

  r.Section("Users");
  r.List(facts.users);
  r.Section("Logged In Users");
  r.List(facts.loggedIn);
  r.Section("Installed Sage Updates");
  std::vector<std::string> updates;
  for (const InstalledUpdate& u : p.updates) updates.push_back(u.name + (u.date.empty() ? "" : "  " + u.date));
  r.List(updates);
  r.Section("Record Counts");
  std::vector<std::string> counts;
  for (size_t start = 0; start < p.counts.text.size();) {
    const size_t end = std::min(p.counts.text.find("\r\n", start), p.counts.text.size());
    counts.push_back(p.counts.text.substr(start, end - start));
    start = end + 2;
  }
  r.List(counts);

  r.Section("Windows Info");
  r.Field("Version", facts.windowsVersion);
  r.Field("Processor", facts.processor);
  r.Field("Antivirus", facts.antiVirus);
  r.Field("Memory Used", facts.memory);
  r.Field("SMB2 Menu Entry", facts.smb2MenuVisible ? "shown" : "hidden (Windows before 6.0)");

  const ReportTempView& temp = facts.reportTemp;
  r.Section(temp.caption);
  r.Field("Folder", {temp.path, temp.colour, temp.tip});

  r.Section("Oplocks");
  const std::string oplocksOn[] = {OplocksDisabledView(0).caption, EnableOplocksView(1).caption};
  r.Setting("Client Disabled", facts.oplocks[0], oplocksOn[0]);
  r.Setting("Server Enabled", facts.oplocks[1], oplocksOn[1]);
  r.Section("SMB Signing");
  const std::string signingOff = SigningView(0).caption;
  const char* signing[] = {"Client Enabled", "Client Required", "Server Enabled", "Server Required"};
  for (size_t i = 0; i < facts.signing.size(); ++i) r.Setting(signing[i], facts.signing[i], signingOff);

  if (!facts.speedTest.empty()) {
    r.Section("Speed Test");
    for (const ReportField& f : facts.speedTest) r.Field(f.caption, f.value);
  }
  return r.Text();
}

}  // namespace lw
