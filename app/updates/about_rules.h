// The rules of the About window and its update flow that need no window: the check URL and the
// publisher's page address, version keys, the document version of an RTF file, the texts the
// window shows, and the review of each entry the update component found.
#pragma once

#include <string>
#include <string_view>

#include "common/product.h"

namespace lw {

// What the check request tells the update server about the company whose data is in use.
struct CheckRequestCompany {
  std::string name;
  std::string address;  // lines joined by "^"
  std::string telephone;
  std::string email;
  std::string vatNumber;
};

// The version as the server expects it: major "00", minor "00", revision "0000"; 2.1.15 gives
// "02010015".
std::string CheckUrlVersion(const ProgramVersion& version);
// "&region=<country code>&ver=<version>", then "&coy=", "&addr=", "&tel=", "&ema=", "&vat=" for
// each company detail that is not empty, every value through UrlEncode.
std::string UpdateQueryKeys(std::string_view countryCode, const ProgramVersion& version, const CheckRequestCompany& company);
// "https://<host>/updates/l50upd.asp?mode=check" followed by the query keys: the answer names
// files to install and commands to run, so it comes only from a server that proves who it is.
std::string UpdateCheckUrl(std::string_view host, std::string_view countryCode, const ProgramVersion& version,
                           const CheckRequestCompany& company);
// The publisher's web page with "mode=about" and the same keys as the check URL. A site address
// without a path gets its root "/" before the query.
std::string AboutPageUrl(std::string_view webSite, std::string_view countryCode, const ProgramVersion& version,
                         const CheckRequestCompany& company);

// The first four "."-separated fields, each as a number formatted "00000", joined: 2.1.3.4 gives
// "00002000010000300004"; missing fields give "00000". Keys compare as text.
std::string VersionKey(std::string_view version);

// How much of the end of a document holds its version: all that is read of it.
inline constexpr size_t kDocVersionTail = 200;
// The version a document carries in its text: in the last 200 characters, lower-cased, the text
// after the first "v" that follows "end of document", up to the next blank (at most 20
// characters looked at). Empty when the marker, the "v" or the blank is missing.
std::string DocVersionOf(std::string_view documentText);

// A local date and time as the program shows and stores it.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// "yyyymmddhhnnss": file stamps and the entries' new dates, compared as text.
std::string StampText(const LocalTime& t);
// "dd/mm/yyyy hh:nn": the "UpdateChk" setting.
std::string CheckTimeText(const LocalTime& t);

// "Version: 18.0.21   SDO: 18.0.10.208"; the SDO part is empty when the engine is missing.
std::string AboutVersionLine(const ProgramVersion& version, std::string_view sdoVersion);
// The update status line when the window opens: an announced version, else the invitation to
// check, else the time of the last check.
std::string UpdateStatusAtLoad(std::string_view newRssVer, std::string_view lastCheck);

// ---- reviewing the entries of a check ----

// How an entry is judged, by the extension of its name: programs and libraries by the component,
// documents by the version in their text, anything else by size and date.
enum class EntryKind { Program, Library, Document, Data };
EntryKind KindOf(std::string_view name);

// An entry as the component reports it.
struct UpdateEntry {
  std::string name;
  std::string myVersion, newVersion;
  bool needReplace = false;
  std::string path;
  long size = 0;
  std::string newStamp;  // NewDate as StampText, empty when the component has none
};

// What is known of the local copy in the program's folder: the document version (documents), the
// size and stamp texts (data files; empty when the file is missing).
struct LocalCopy {
  std::string docVersion;
  std::string sizeText;
  std::string stamp;
};

// Where the local copy of an entry is looked for: the program's folder and the entry's name.
// Empty for a name that is not a plain file name (IsPlainFileName, the rule the component judges
// its entries by too): no file is looked at for it.
std::string LocalCopyPath(std::string_view programFolder, std::string_view name);

struct EntryReview {
  bool needReplace = false;
  std::string myVersion;  // what the entry's MyVersion is to be
  std::string path;       // what the entry's Path is to be
  int countChange = 0;    // -1, 0 or +1 to the number of files to fetch
  std::string reportLine;
};
// The decision for one entry and its line of the update report. A marked entry that is neither a
// library nor a control is put into the program's folder (normalised), whatever path the server
// gave it; an entry whose name is not a plain file name is never marked, so no name can place a
// file outside that folder.
EntryReview ReviewEntry(const UpdateEntry& entry, const LocalCopy& local, std::string_view programFolder);

}  // namespace lw
