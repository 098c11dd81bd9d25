// The write tests' journal on disk, beside the program's settings (in the user's application data,
// never in the accounting data), the engine's record object as the speed test walks it, and
// putting a journal back through the engine.
#pragma once

#include <cstdint>
#include <string>

#include "app/sdo/sdo_dispatch_win.h"
#include "app/sdo/speed_journal.h"

namespace lw {

// A hundred entries take a few kilobytes; a larger file is no journal of ours.
inline constexpr uint64_t kMaxSpeedJournalBytes = 1u << 20;

// <application data>\Ledgerwell\SpeedTestJournal.txt
std::string SpeedJournalPath();
// Written whole beside it and moved into its place (WriteFileReplacing): at every moment the file
// is the previous journal or this one.
bool SaveSpeedJournal(const SpeedJournal& journal);
enum class JournalFile { None, Read, Damaged };
// Damaged: the file is there but cannot be read or is no journal (error says why).
JournalFile LoadSpeedJournal(SpeedJournal& journal, std::string& error);
bool RemoveSpeedJournal();
// Moves a damaged journal out of the way, keeping it for a person to read: the new path, or empty
// when it could not be moved.
std::string SetDamagedJournalAside();

// The engine's record object, each call guarded as the wrapper guards it.
class SdoSpeedRecords : public SpeedRecords {
 public:
  explicit SdoSpeedRecords(SdoRecord& record) : record_(record) {}
  bool MoveFirst() override { return record_.MoveFirst(); }
  bool MoveNext() override { return record_.MoveNext(); }
  std::optional<std::string> Field(const std::string& name) override { return record_.Field(name); }
  bool SetField(const std::string& name, const std::string& value) override { return record_.SetField(name, value); }
  bool Edit() override { return record_.Edit(); }
  bool Update() override { return record_.Update(); }

 private:
  SdoRecord& record_;
};

// Logs in to the journal's data folder (of the given data version) with the stored user name and
// password, puts back what it can, and logs out. False, with the reason, when it could not log in
// or reach the records.
bool PutBackThroughEngine(const SpeedJournal& journal, const std::string& dataVersion, PutBackOutcome& outcome,
                          std::string& refusal);

}  // namespace lw
