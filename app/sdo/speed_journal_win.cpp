#include "app/sdo/speed_journal_win.h"

#include <windows.h>

#include "app/sdo/sdo_session_win.h"
#include "app/tools/files_win.h"
#include "common/product.h"

namespace lw {

std::string SpeedJournalPath() {
  return GetSpecialFolder("APPDATA") + "\\" + kAppTitle + "\\SpeedTestJournal.txt";
}

bool SaveSpeedJournal(const SpeedJournal& journal) {
  const std::string path = SpeedJournalPath();
  MakePath(path.substr(0, path.rfind('\\')));
  return WriteFileReplacing(path, BuildSpeedJournal(journal));
}

JournalFile LoadSpeedJournal(SpeedJournal& journal, std::string& error) {
  journal = {};
  error.clear();
  const std::string path = SpeedJournalPath();
  if (!FileExists(path)) return JournalFile::None;
  // An empty text here is a file too large or unreadable: either way no journal of ours.
  const std::string text = ReadWholeFile(path, kMaxSpeedJournalBytes);
  if (text.empty()) {
    error = "it cannot be read";
    return JournalFile::Damaged;
  }
  return ParseSpeedJournal(text, journal, error) ? JournalFile::Read : JournalFile::Damaged;
}

bool RemoveSpeedJournal() {
  const std::string path = SpeedJournalPath();
  return DeleteFileA(path.c_str()) || !FileExists(path);
}

std::string SetDamagedJournalAside() {
  const std::string path = SpeedJournalPath(), aside = path + ".damaged";
  return MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? aside : "";
}

bool PutBackThroughEngine(const SpeedJournal& journal, const std::string& dataVersion, PutBackOutcome& outcome,
                          std::string& refusal) {
  outcome = {};
  refusal.clear();
  if (!OpenSdoSession(journal.dataPath, dataVersion)) {
    refusal = Sdo.SdoErrorText;
    return false;
  }
  SdoRecord record;
  std::optional<long> count;
  if (Sdo.Workspace.CreateObject(journal.className, record)) count = record.Count();
  if (!count) {
    refusal = record ? record.Fault().text : Sdo.Workspace.Fault().text;
  } else {
    SdoSpeedRecords records(record);
    outcome = PutBackOriginals(journal, records, *count);
  }
  record.Release();
  CloseSdoSession();
  return count.has_value();
}

}  // namespace lw
