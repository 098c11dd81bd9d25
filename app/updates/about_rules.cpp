#include "app/updates/about_rules.h"

#include "app/tools/paths.h"
#include "app/tools/text.h"
#include "common/file_names.h"

namespace lw {

namespace {

void AddKey(std::string& query, const char* key, std::string_view value) {
  if (Trim(value).empty()) return;
  query += '&';
  query += key;
  query += '=';
  query += UrlEncode(value);
}

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

}  // namespace

std::string CheckUrlVersion(const ProgramVersion& version) {
  return ZeroPad(version.major, 2) + ZeroPad(version.minor, 2) + ZeroPad(version.revision, 4);
}

std::string UpdateQueryKeys(std::string_view countryCode, const ProgramVersion& version,
                            const CheckRequestCompany& company) {
  std::string query = "&region=" + std::string(countryCode) + "&ver=" + CheckUrlVersion(version);
  AddKey(query, "coy", company.name);
  AddKey(query, "addr", company.address);
  AddKey(query, "tel", company.telephone);
  AddKey(query, "ema", company.email);
  AddKey(query, "vat", company.vatNumber);
  return query;
}

std::string UpdateCheckUrl(std::string_view host, std::string_view countryCode, const ProgramVersion& version,
                           const CheckRequestCompany& company) {
  return "https://" + std::string(host) + "/updates/l50upd.asp?mode=check" +
         UpdateQueryKeys(countryCode, version, company);
}

std::string AboutPageUrl(std::string_view webSite, std::string_view countryCode, const ProgramVersion& version,
                         const CheckRequestCompany& company) {
  std::string page(Trim(webSite));
  const size_t scheme = page.find("://");
  const size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
  if (page.find('/', hostStart) == std::string::npos) page += '/';
  return page + "?mode=about" + UpdateQueryKeys(countryCode, version, company);
}

std::string VersionKey(std::string_view version) {
  std::string key;
  for (int field = 1; field <= 4; ++field) key += ZeroPad(Val(GetField(version, field, ".")), 5);
  return key;
}

std::string DocVersionOf(std::string_view documentText) {
  const std::string tail =
      LCase(documentText.size() > kDocVersionTail ? documentText.substr(documentText.size() - kDocVersionTail)
                                                  : documentText);
  const size_t marker = tail.find("end of document");
  if (marker == std::string::npos) return {};
  const size_t v = tail.find('v', marker);
  if (v == std::string::npos) return {};
  const std::string after = tail.substr(v + 1, 20);
  const size_t blank = after.find(' ');
  return blank == std::string::npos ? std::string() : after.substr(0, blank);
}

std::string StampText(const LocalTime& t) {
  return Format("%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string CheckTimeText(const LocalTime& t) {
  return Format("%02d/%02d/%04d %02d:%02d", t.day, t.month, t.year, t.hour, t.minute);
}

std::string AboutVersionLine(const ProgramVersion& version, std::string_view sdoVersion) {
  return Format("Version: %d.%d.%d", version.major, version.minor, version.revision) +
         "   SDO: " + std::string(sdoVersion);
}

std::string UpdateStatusAtLoad(std::string_view newRssVer, std::string_view lastCheck) {
  if (!newRssVer.empty()) return "UPDATE AVAILABLE Click this button to install " + std::string(newRssVer) + " ==>";
  if (lastCheck.empty()) return "Click this button to check that your program is up to date ==>";
  return "Last Update Check was " + std::string(lastCheck);
}

EntryKind KindOf(std::string_view name) {
  std::string file(name);
  for (char& c : file)
    if (c == '/') c = '\\';
  const std::string ext = UCase(SplitPath(file, PathPart::Extension));
  if (ext == "EXE") return EntryKind::Program;
  if (ext == "DLL" || ext == "OCX") return EntryKind::Library;
  if (ext == "RTF") return EntryKind::Document;
  return EntryKind::Data;
}

std::string LocalCopyPath(std::string_view programFolder, std::string_view name) {
  if (!lw::IsPlainFileName(name)) return {};
  std::string folder(programFolder);
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + std::string(name);
}

EntryReview ReviewEntry(const UpdateEntry& entry, const LocalCopy& local, std::string_view programFolder) {
  EntryReview r;
  r.needReplace = entry.needReplace;
  r.myVersion = entry.myVersion;
  r.path = entry.path;
  const EntryKind kind = KindOf(entry.name);
  const bool safe = lw::IsPlainFileName(entry.name);
  auto mark = [&](bool changed) {
    changed = changed && safe;
    if (changed && !entry.needReplace) r.countChange = 1;
    if (!changed && entry.needReplace) r.countChange = -1;
    r.needReplace = changed;
  };
  if (kind == EntryKind::Program || kind == EntryKind::Library) mark(entry.needReplace);
  if (kind == EntryKind::Data) {
    const std::string newSize = std::to_string(entry.size);
    mark(entry.newStamp > local.stamp || newSize != local.sizeText);
    r.reportLine = "File: " + entry.name + "  Current Size/Date: " + local.sizeText + "/" + local.stamp +
                   "  New Size/Date: " + newSize + "/" + entry.newStamp +
                   "  Needs Replacing: " + TrueFalse(r.needReplace);
  } else {
    if (kind == EntryKind::Document) {
      if (!Trim(local.docVersion).empty()) r.myVersion = local.docVersion;
      mark(VersionKey(entry.newVersion) > VersionKey(local.docVersion));
    }
    r.reportLine = "File: " + entry.name + "  Current Version: " + r.myVersion + "  New Version: " + entry.newVersion +
                   "  Needs Replacing: " + TrueFalse(r.needReplace);
  }
  if (r.needReplace && kind != EntryKind::Library) {
    const std::string home = NormaliseFolder(programFolder) + entry.name;
    if (!EqualsNoCase(r.path, home)) r.path = home;
  }
  return r;
}

}  // namespace lw
