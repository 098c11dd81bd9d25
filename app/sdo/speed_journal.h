// The journal of a write test: the original values of the records it is about to change, kept on
// disk until every one of them is back in place, so that a run cut short by a crash, a power cut
// or a failing engine can still be undone. Here are its format and how a journal is put back
// through the engine's record object; the file itself is written by speed_journal_win.h.
#pragma once

#include <string>
#include <vector>

#include "app/sdo/speed_tests.h"

namespace lw {

struct JournalEntry {
  long position = 0;  // from 1, in the order the engine gives the records
  std::string key;    // the record's read field (its name), to know it again
  std::string value;  // the written field's value before the test
  bool operator==(const JournalEntry&) const = default;
};

struct SpeedJournal {
  std::string dataPath;   // the data folder, as the run logged in to it
  std::string className;  // "SalesRecord", "NominalRecord"
  std::string keyField;   // "NAME"
  std::string field;      // the written field: "SALES_REP", "AUDIT_REF"
  std::vector<JournalEntry> entries;  // by position, each position once
  bool operator==(const SpeedJournal&) const = default;
};

// The journal of a write test on a data folder, without entries yet.
SpeedJournal JournalOf(const SpeedTest& test, const std::string& dataPath);
// The entry of a position, or null.
const JournalEntry* FindEntry(const SpeedJournal& journal, long position);
// Sets the entry of its position, keeping the entries in order.
void SetEntry(SpeedJournal& journal, const JournalEntry& entry);

// The file's text: a header line, the folder, the class and fields, one line per entry and a last
// line with the number of entries, so that a file cut short is known. Values are stored with '%',
// '|' and control characters escaped, so any text survives the round trip.
std::string BuildSpeedJournal(const SpeedJournal& journal);
// Reads such a text. False, with the reason, for anything else: another header, a class or
// field that no write test changes, a position out of order or outside a pass, a bad escape, a
// missing or wrong last line, anything after it.
bool ParseSpeedJournal(const std::string& text, SpeedJournal& journal, std::string& error);

// What putting a journal back did with each entry.
struct PutBackOutcome {
  std::vector<JournalEntry> putBack;    // written and read back as the original
  std::vector<JournalEntry> notNeeded;  // its record no longer holds the test text: left alone
  std::vector<JournalEntry> failed;     // holds the test text, but the engine did not take the value
  std::vector<JournalEntry> notFound;   // no record with its name holds its test text
  // Entries that still need putting back, for the journal to keep.
  std::vector<JournalEntry> Left() const { return failed; }
};

// Walks the records (at most recordCount of them) and puts each entry's value back into the
// record that holds its test text and its name, wherever the record now is; a record found at its
// position without the test text needs nothing. Each value written is read back. Stops once every
// entry is decided.
PutBackOutcome PutBackOriginals(const SpeedJournal& journal, SpeedRecords& records, long recordCount);

// A line for each entry (the first twenty): Customer "Acme Ltd" (record 3): SALES_REP was "AB".
std::string EntryList(const SpeedJournal& journal, const std::vector<JournalEntry>& entries);

// The question asked before putting a journal back.
std::string PutBackQuestion(const SpeedJournal& journal);
// What putting it back did, for the user; ok is false when something still needs attention.
std::string PutBackReport(const SpeedJournal& journal, const PutBackOutcome& outcome, bool& ok);
// A journal that cannot be read: why, and where it was set aside (empty: it could not be moved).
std::string DamagedJournalText(const std::string& path, const std::string& why, const std::string& aside);
// Why a journal could not be put back at all (the log-in failed, no engine).
std::string PutBackRefusedReport(const SpeedJournal& journal, const std::string& reason);

}  // namespace lw
