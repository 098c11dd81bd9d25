#include "app/discovery/installation.h"

#include <unordered_set>

#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

Installation Install;

std::string SetupFolderFor(const std::string& settingsFolder, int v, bool instant) {
  if (v < 14) return {};
  return settingsFolder + std::to_string(v + 1994) + (v < 16 && instant ? "Instant" : "") + "\\";
}

std::string CompanyFolderOf(const std::string& dataPath) {
  if (NormaliseFolder(dataPath).empty()) return {};
  return dataPath.size() > 8 ? dataPath.substr(0, dataPath.size() - 8) : std::string();
}

std::string OdbcDataSourceFolder(const std::string& dataPathName) {
  std::string folder = NormaliseFolder(dataPathName);
  if (EndsWithNoCase(folder, "\\accdata\\")) folder.resize(folder.size() - 8);
  return folder;
}

std::string ReportsFolderFor(const Installation& install, int v) {
  // A folder that is not known gives no reports folder rather than a bare "reports\".
  if (install.UseDataPathForReports) {
    std::string company = NormaliseFolder(install.CompanyFolder);
    return company.empty() ? std::string() : company + "reports\\";
  }
  if (v < 14) {
    std::string program = NormaliseFolder(install.ProgramFolder);
    return program.empty() ? std::string() : program + "reports\\";
  }
  return install.SetupFolder.empty() ? std::string() : install.SetupFolder + "company.000\\reports\\";
}

bool VersionMatchesData(const std::string& fileVersion, const std::string& dataVersion) {
  return !fileVersion.empty() && GetField(fileVersion, 1, ".") == dataVersion;
}

void ApplySageIniSwitches(std::string_view iniText, Installation& install) {
  std::string text = LCase(iniText);
  install.UseDataPathForReports = text.find("usedatapathforreports=1") != std::string::npos;
  install.CompressUsingFileSize = text.find("compressusingfilesize=1") != std::string::npos;
  install.EnableDataFixing = text.find("enabledatafixing=1") != std::string::npos;
}

std::string FullVersionText(const std::string& fullVersion) {
  std::string text = std::to_string(Val(GetField(fullVersion, 1, ".")));
  for (int n = 2; n <= 4; ++n) {
    std::string field = GetField(fullVersion, n, ".");
    if (!field.empty()) text += "." + std::to_string(Val(field));
  }
  return text;
}

namespace {
// The text between the first open tag at or after from and the close tag after it; false when
// either is missing. end is set past the close tag.
bool Between(const std::string& text, std::string_view open, std::string_view close, size_t from,
             std::string& inside, size_t& end) {
  size_t start = text.find(open, from);
  if (start == std::string::npos) return false;
  start += open.size();
  size_t stop = text.find(close, start);
  if (stop == std::string::npos) return false;
  inside = text.substr(start, stop - start);
  end = stop + close.size();
  return true;
}
}  // namespace

void ApplyApplicationConfig(std::string_view configText, Installation& install) {
  const std::string text = UCase(configText);
  if (text.empty()) return;
  std::string inside;
  size_t end = 0;
  // An empty element says nothing about the version: the data version stays.
  if (Between(text, "<FULLVERSION>", "</FULLVERSION>", 0, inside, end) && !Trim(inside).empty())
    install.SageVersion = FullVersionText(Trim(inside));

  std::string updates;
  if (!Between(text, "<UPDATES>", "</UPDATES>", 0, updates, end)) return;
  std::string block;
  std::unordered_set<std::string> listed;
  for (const InstalledUpdate& u : install.InstalledUpdates) listed.insert(u.name);
  for (size_t at = 0; Between(updates, "<UPDATE>", "</UPDATE>", at, block, at);) {
    std::string name, date;
    size_t ignored = 0;
    if (Between(block, "<NAME>", "</NAME>", 0, name, ignored)) name = Trim(name);
    if (Between(block, "<DATE>", "</DATE>", 0, date, ignored)) date = Trim(date);
    if (!name.empty() && listed.insert(name).second) install.InstalledUpdates.push_back({name, date});
  }
}

}  // namespace lw
