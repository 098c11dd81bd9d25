#include "app/shell/speed_put_back_win.h"

#include <windows.h>

#include "app/discovery/setup_dta_win.h"
#include "app/forms/forms_win.h"
#include "app/sdo/speed_journal_win.h"
#include "app/state/program_win.h"

namespace lw {

bool OfferSpeedTestPutBack() {
  SpeedJournal journal;
  std::string error;
  switch (LoadSpeedJournal(journal, error)) {
    case JournalFile::None:
      return true;
    case JournalFile::Damaged: {
      const std::string aside = SetDamagedJournalAside();
      ShowMessage(DamagedJournalText(SpeedJournalPath(), error, aside), MB_ICONEXCLAMATION, "");
      return !aside.empty();
    }
    case JournalFile::Read:
      break;
  }
  if (journal.entries.empty()) return RemoveSpeedJournal();
  if (forms::MsgBox(PutBackQuestion(journal), MB_YESNO | MB_ICONQUESTION, kFileDescription) != IDYES) return false;
  PutBackOutcome outcome;
  std::string refusal;
  if (!PutBackThroughEngine(journal, GetDataVersion(journal.dataPath), outcome, refusal)) {
    ShowMessage(PutBackRefusedReport(journal, refusal), MB_ICONEXCLAMATION, "");
    return false;
  }
  SpeedJournal left = journal;
  left.entries = outcome.Left();
  bool cleared = false;
  if (left.entries.empty())
    cleared = RemoveSpeedJournal();
  else
    SaveSpeedJournal(left);  // should it fail, the whole journal stays: it holds what is left too
  bool ok = false;
  const std::string report = PutBackReport(journal, outcome, ok);
  ShowMessage(report, ok ? MB_ICONINFORMATION : MB_ICONEXCLAMATION, "");
  return cleared;
}

}  // namespace lw
