#include "app/sdo/speed_journal.h"

#include <algorithm>

#include "app/tools/text.h"

namespace lw {

namespace {

constexpr const char* kHeader = "LEDGERWELL SPEED TEST JOURNAL 1";
// The entries listed by name in a report; the rest are counted.
constexpr size_t kListedEntries = 20;

// '%', '|' and control characters as %XX, so a value is one field of one line.
std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '%' || c == '|' || c < 0x20 || c == 0x7F)
      out += Format("%%%02X", c);
    else
      out += char(c);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0) return false;
    out += char(high * 16 + low);
    i += 2;
  }
  return true;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find('|', start);
    parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// A whole number from 1 to max, digits only.
bool Position(const std::string& text, long max, long& out) {
  if (text.empty() || text.size() > 6 || text[0] == '0') return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  out = long(Val(text));
  return out >= 1 && out <= max;
}

// The write test that changes this class and field, or null: a journal names nothing else.
const SpeedTest* WriteTestOf(const std::string& className, const std::string& keyField, const std::string& field) {
  for (int i = 0; i < kAllTests; ++i) {
    const SpeedTest& t = SpeedTestOf(i);
    if (t.writeField && className == t.className && keyField == t.readField && field == t.writeField) return &t;
  }
  return nullptr;
}

const char* RecordsName(const SpeedJournal& journal) {
  const SpeedTest* test = WriteTestOf(journal.className, journal.keyField, journal.field);
  return test ? test->name : journal.className.c_str();
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

SpeedJournal JournalOf(const SpeedTest& test, const std::string& dataPath) {
  SpeedJournal journal;
  journal.dataPath = dataPath;
  journal.className = test.className;
  journal.keyField = test.readField;
  journal.field = test.writeField ? test.writeField : "";
  return journal;
}

const JournalEntry* FindEntry(const SpeedJournal& journal, long position) {
  auto it = std::lower_bound(journal.entries.begin(), journal.entries.end(), position,
                             [](const JournalEntry& e, long p) { return e.position < p; });
  return it != journal.entries.end() && it->position == position ? &*it : nullptr;
}

void SetEntry(SpeedJournal& journal, const JournalEntry& entry) {
  auto it = std::lower_bound(journal.entries.begin(), journal.entries.end(), entry.position,
                             [](const JournalEntry& e, long p) { return e.position < p; });
  if (it != journal.entries.end() && it->position == entry.position)
    *it = entry;
  else
    journal.entries.insert(it, entry);
}

std::string BuildSpeedJournal(const SpeedJournal& journal) {
  std::string out = std::string(kHeader) + "\r\n";
  out += "path|" + Escape(journal.dataPath) + "\r\n";
  out += "class|" + Escape(journal.className) + "|" + Escape(journal.keyField) + "|" + Escape(journal.field) + "\r\n";
  for (const JournalEntry& e : journal.entries)
    out += "record|" + std::to_string(e.position) + "|" + Escape(e.key) + "|" + Escape(e.value) + "\r\n";
  out += "end|" + std::to_string(journal.entries.size()) + "\r\n";
  return out;
}

bool ParseSpeedJournal(const std::string& text, SpeedJournal& journal, std::string& error) {
  journal = {};
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));  // a last line without its end: the file was cut short
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  auto fail = [&](size_t line, const std::string& why) {
    error = "line " + std::to_string(line + 1) + ": " + why;
    journal = {};
    return false;
  };
  if (lines.empty() || lines[0] != kHeader) return fail(0, std::string("not \"") + kHeader + "\"");
  if (lines.size() < 4) return fail(lines.size(), "the journal ends early");

  std::vector<std::string> f = Fields(lines[1]);
  if (f.size() != 2 || f[0] != "path" || !Unescape(f[1], journal.dataPath) || Trim(journal.dataPath).empty())
    return fail(1, "no data folder");
  f = Fields(lines[2]);
  if (f.size() != 4 || f[0] != "class" || !Unescape(f[1], journal.className) || !Unescape(f[2], journal.keyField) ||
      !Unescape(f[3], journal.field))
    return fail(2, "no record class and fields");
  const SpeedTest* test = WriteTestOf(journal.className, journal.keyField, journal.field);
  if (!test) return fail(2, "no write test changes " + journal.className + " " + journal.field);

  size_t n = 3;
  for (; n < lines.size() && lines[n].starts_with("record|"); ++n) {
    f = Fields(lines[n]);
    JournalEntry e;
    if (f.size() != 4 || !Position(f[1], test->maxPassRecords, e.position))
      return fail(n, "a record line is record|POSITION|NAME|VALUE, the position 1 to " +
                         std::to_string(test->maxPassRecords));
    if (!journal.entries.empty() && e.position <= journal.entries.back().position)
      return fail(n, "positions out of order");
    if (!Unescape(f[2], e.key) || !Unescape(f[3], e.value)) return fail(n, "a bad escape");
    journal.entries.push_back(std::move(e));
  }
  if (n >= lines.size()) return fail(n, "the journal ends early");
  f = Fields(lines[n]);
  if (f.size() != 2 || f[0] != "end" || f[1] != std::to_string(journal.entries.size()))
    return fail(n, "not end|" + std::to_string(journal.entries.size()));
  if (n + 1 != lines.size()) return fail(n + 1, "text after the end");
  if (!text.ends_with("\r\n")) return fail(n, "the last line is cut short");
  error.clear();
  return true;
}

PutBackOutcome PutBackOriginals(const SpeedJournal& journal, SpeedRecords& records, long recordCount) {
  PutBackOutcome outcome;
  std::vector<JournalEntry> open = journal.entries;
  // Entries whose name was seen elsewhere without the test text: most likely their record moved and
  // needs nothing, but the walk goes on in case another record of the same name holds it.
  std::vector<JournalEntry> seenElsewhere;
  auto decided = [&](std::vector<JournalEntry>::iterator it, std::vector<JournalEntry>& into) {
    into.push_back(*it);
    seenElsewhere.erase(std::remove(seenElsewhere.begin(), seenElsewhere.end(), *it), seenElsewhere.end());
    open.erase(it);
  };
  for (long position = 1; position <= recordCount && !open.empty(); ++position) {
    if (!(position == 1 ? records.MoveFirst() : records.MoveNext())) break;
    const std::optional<std::string> key = records.Field(journal.keyField);
    const std::optional<std::string> value = records.Field(journal.field);
    if (!key || !value) continue;
    // The record holding an entry's test text under its name is that entry's, wherever it now is.
    auto mine = std::find_if(open.begin(), open.end(), [&](const JournalEntry& e) {
      return e.key == *key && *value == TestText(e.position);
    });
    if (mine != open.end()) {
      const bool written = records.Edit() && records.SetField(journal.field, mine->value) && records.Update() &&
                           records.Field(journal.field) == mine->value;
      decided(mine, written ? outcome.putBack : outcome.failed);
      continue;
    }
    for (auto it = open.begin(); it != open.end(); ++it) {
      if (it->key != *key) continue;
      if (it->position == position) {
        decided(it, outcome.notNeeded);
        break;
      }
      if (std::find(seenElsewhere.begin(), seenElsewhere.end(), *it) == seenElsewhere.end())
        seenElsewhere.push_back(*it);
    }
  }
  for (const JournalEntry& e : open) {
    const bool seen = std::find(seenElsewhere.begin(), seenElsewhere.end(), e) != seenElsewhere.end();
    (seen ? outcome.notNeeded : outcome.notFound).push_back(e);
  }
  return outcome;
}

std::string EntryList(const SpeedJournal& journal, const std::vector<JournalEntry>& entries) {
  const char* name = RecordsName(journal);
  std::string out;
  for (size_t i = 0; i < entries.size() && i < kListedEntries; ++i) {
    const JournalEntry& e = entries[i];
    out += Format("\r\n%s \"%s\" (record %ld): %s was \"%s\"", name, e.key.c_str(), e.position, journal.field.c_str(),
                  e.value.c_str());
  }
  if (entries.size() > kListedEntries) out += "\r\nand " + std::to_string(entries.size() - kListedEntries) + " more";
  return out;
}

std::string PutBackQuestion(const SpeedJournal& journal) {
  const size_t n = journal.entries.size();
  return "The last speed test did not finish; put back the " + Plural(n, "original value", "original values") +
         " now?\r\n\r\nData: " + journal.dataPath + "\r\nField: " + journal.field + " of " +
         Plural(n, (std::string(RecordsName(journal)) + " record").c_str(),
                (std::string(RecordsName(journal)) + " records").c_str());
}

std::string PutBackReport(const SpeedJournal& journal, const PutBackOutcome& outcome, bool& ok) {
  ok = outcome.failed.empty() && outcome.notFound.empty();
  std::string out = outcome.putBack.size() == 1
                        ? "1 original value was put back."
                        : std::to_string(outcome.putBack.size()) + " original values were put back.";
  if (!outcome.notNeeded.empty())
    out += "\r\n\r\n" + Plural(outcome.notNeeded.size(), "record", "records") + " did not hold the speed test's " +
           "text and " + (outcome.notNeeded.size() == 1 ? "was left as it is." : "were left as they are.");
  if (!outcome.failed.empty())
    out += "\r\n\r\n" + Plural(outcome.failed.size(), "value", "values") + " could not be put back (the engine " +
           "did not take the change); " + (outcome.failed.size() == 1 ? "it is" : "they are") +
           " kept and offered again:" +
           EntryList(journal, outcome.failed);
  if (!outcome.notFound.empty())
    out += "\r\n\r\n" + Plural(outcome.notFound.size(), "record was", "records were") + " not found where the " +
           "speed test left " + (outcome.notFound.size() == 1 ? "it" : "them") + "; a record that still shows " +
           "\"Test Record\" and a number needs its value put back by hand:" +
           EntryList(journal, outcome.notFound);
  return out;
}

std::string DamagedJournalText(const std::string& path, const std::string& why, const std::string& aside) {
  return "The record of the original values of the last speed test cannot be used (" + why + ").\r\n\r\n" +
         (aside.empty() ? "It could not be moved aside: " + path
                        : "It has been kept as " + aside + " for anyone who needs to put the values back by hand.");
}

std::string PutBackRefusedReport(const SpeedJournal& journal, const std::string& reason) {
  return "The original values of the last speed test could not be put back: " + reason +
         "\r\n\r\nThey are kept and offered again.\r\n\r\nData: " + journal.dataPath;
}

}  // namespace lw
