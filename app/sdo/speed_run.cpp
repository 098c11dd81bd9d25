#include "app/sdo/speed_run.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/tools/text.h"
#include "common/product.h"

namespace lw {

long PassRecords(const SpeedTest& test, long count) {
  return test.maxPassRecords > 0 ? std::min(count, test.maxPassRecords) : count;
}

std::string TooFewRecordsText(const SpeedTest& test, long passRecords) {
  return passRecords < kMinSpeedRecords ? std::string("The ") + test.name + " File must have at least 2 records" : "";
}

std::string RunRecordsText(const std::string& name, long count) { return Format("%s %ld Records", name.c_str(), count); }

double RunElapsed(double start, double now) {
  const double elapsed = now - start;
  return elapsed < 0 && elapsed > -kClockSetBack ? 0 : elapsed;
}

std::string RateText(long count, double elapsed) {
  if (elapsed <= -kClockSetBack) elapsed += kSecondsPerDay;
  if (elapsed <= 0) return "0";
  // The "0" format rounds halves away from zero.
  return Format("%.0f", std::floor(double(count) / elapsed + 0.5));
}

SpeedView StartView() { return {0, "0", kRunningColour}; }

namespace {

// What a write test knows of one position of its pass.
struct Slot {
  bool saved = false;  // the original value is held (taken on the first pass, and journaled)
  bool dirty = false;  // the test text may be in the record: not yet put back and read back
  std::string key, value;
};

class Run {
 public:
  Run(const SpeedTest& test, const std::string& dataPath, long passRecords, SpeedRecords& records,
      SpeedRunHost& host)
      : test_(test), records_(records), host_(host), n_(passRecords), writes_(test.writeField != nullptr),
        journal_(JournalOf(test, dataPath)), slots_(size_t(passRecords) + 1) {}

  SpeedRunResult Go() {
    if (writes_ && !JournalOriginals()) return result_;
    result_.timed = true;
    result_.rate = "0";
    start_ = host_.Now();
    while (elapsed_ < kSpeedTestDuration && elapsed_ >= 0 && !host_.StopRequested()) {
      ++result_.passes;
      FirstSweep();
      if (test_.secondSweep) SecondSweep();
    }
    result_.rate = RateText(result_.count, RunElapsed(start_, host_.Now()));
    if (writes_) KeepWhatIsLeft();
    return result_;
  }

 private:
  bool Move(long i) { return i == 1 ? records_.MoveFirst() : records_.MoveNext(); }

  // Reads the values the run may change and journals them before the clock starts. An engine that
  // takes longer than the slow start over the first records is read no further: its passes will
  // most likely shrink to those, and a record beyond them is journaled before it is first written.
  // False when the run is to end here: stopped, or the journal could not be kept.
  bool JournalOriginals() {
    const double started = host_.Now();
    for (long i = 1; i <= n_; ++i) {
      if (Move(i)) {
        const std::optional<std::string> key = records_.Field(test_.readField);
        const std::optional<std::string> value = records_.Field(test_.writeField);
        if (key && value && !IsTestText(*value)) SetEntry(journal_, {i, *key, *value});
      }
      if (i % kSlowPassRecords == 0) host_.Show(StartView());
      if (host_.StopRequested()) return false;
      if (i == kSlowStartProbe && RunElapsed(started, host_.Now()) > kSlowStartSeconds) break;
    }
    // A journal without entries is not kept: the first write of a record journals it then.
    if (journal_.entries.empty()) return true;
    if (!host_.SaveJournal(journal_)) {
      result_.journalRefused = true;
      return false;
    }
    journalSaved_ = true;
    return true;
  }

  void FirstSweep() {
    for (long i = 1; i <= n_; ++i) {
      const bool moved = Move(i);
      ++result_.count;
      const std::optional<std::string> key = records_.Field(test_.readField);
      if (writes_ && moved) WriteTestText(i, key);
      if (result_.count == kSlowStartProbe) {
        elapsed_ = std::max(0.0, host_.Now() - start_);
        if (elapsed_ > kSlowStartSeconds) {
          result_.slowStart = true;
          n_ = std::min(n_, kSlowPassRecords);
          interval_ = kSlowPassRecords;
          result_.colour = kWarningColour;
          Show();
          return;
        }
      }
      if (result_.count % interval_ == 0) Show();
      if (elapsed_ > kSpeedTestDuration || host_.StopRequested()) return;
    }
  }

  void SecondSweep() {
    for (long i = 1; i <= n_; ++i) {
      const bool moved = Move(i);
      ++result_.count;
      const std::optional<std::string> key = records_.Field(test_.readField);
      if (writes_ && moved) PutBack(i, key);
      if (result_.count % interval_ == 0) Show();
    }
  }

  // The first pass takes the record's value (journaled first if the journal does not hold it as
  // it is); later passes write only records whose value the first pass took, and only while the
  // record at the position is still the same one.
  void WriteTestText(long i, const std::optional<std::string>& key) {
    Slot& slot = slots_[size_t(i)];
    if (!key) return;
    if (result_.passes > 1) {
      if (slot.saved && slot.key == *key && records_.Edit()) Write(i);
      return;
    }
    if (!records_.Edit()) return;
    const std::optional<std::string> value = records_.Field(test_.writeField);
    if (!value || IsTestText(*value)) return;
    const JournalEntry entry{i, *key, *value};
    const JournalEntry* kept = FindEntry(journal_, i);
    if (!kept || !(*kept == entry)) {
      SpeedJournal next = journal_;
      SetEntry(next, entry);
      if (!host_.SaveJournal(next)) return;
      journal_ = std::move(next);
      journalSaved_ = true;
    }
    slot = {true, false, *key, *value};
    ++result_.written;
    Write(i);
  }

  void Write(long i) {
    // Dirty before the write: a failing Update may still have changed the record.
    slots_[size_t(i)].dirty = true;
    records_.SetField(test_.writeField, TestText(i));
    records_.Update();
  }

  void PutBack(long i, const std::optional<std::string>& key) {
    Slot& slot = slots_[size_t(i)];
    if (!slot.dirty || key != slot.key || !records_.Edit()) return;
    records_.SetField(test_.writeField, slot.value);
    records_.Update();
    if (records_.Field(test_.writeField) == slot.value) slot.dirty = false;
  }

  void Show() {
    elapsed_ = RunElapsed(start_, host_.Now());
    SpeedView view;
    if (elapsed_ >= 0 && elapsed_ < kSpeedTestDuration) view.bar = int(elapsed_);
    view.rate = RateText(result_.count, elapsed_);
    view.colour = result_.colour;
    result_.rate = view.rate;
    host_.Show(view);
  }

  // The journal ends when every change is undone; otherwise it keeps just what is left.
  void KeepWhatIsLeft() {
    SpeedJournal left = JournalOf(test_, journal_.dataPath);
    for (long i = 1; i < long(slots_.size()); ++i)
      if (const Slot& s = slots_[size_t(i)]; s.dirty) left.entries.push_back({i, s.key, s.value});
    if (left.entries.empty()) {
      if (journalSaved_) host_.RemoveJournal();
      return;
    }
    // Should this fail, the whole journal stays, which holds these entries too.
    if (!(left == journal_)) host_.SaveJournal(left);
    result_.left = std::move(left);
  }

  const SpeedTest& test_;
  SpeedRecords& records_;
  SpeedRunHost& host_;
  long n_;
  const bool writes_;
  SpeedJournal journal_;
  std::vector<Slot> slots_;  // by position, from 1
  bool journalSaved_ = false;
  long interval_ = kDisplayInterval;
  double start_ = 0, elapsed_ = 0;
  SpeedRunResult result_;
};

}  // namespace

SpeedRunResult RunSpeedPasses(const SpeedTest& test, const std::string& dataPath, long passRecords,
                              SpeedRecords& records, SpeedRunHost& host) {
  return Run(test, dataPath, std::max(passRecords, 0L), records, host).Go();
}

std::string WriteRunReport(const SpeedTest& test, const SpeedRunResult& result) {
  if (result.journalRefused)
    return std::string("The ") + test.caption + " test did not run: the original values of the records it changes " +
           "could not be kept safe beside " + kAppTitle + "'s settings.";
  if (result.left.entries.empty()) return "";
  const size_t n = result.left.entries.size();
  return std::string("The ") + test.caption + " test could not put back " + std::to_string(n) + " original value" +
         (n == 1 ? "" : "s") + "; " + (n == 1 ? "it is" : "they are") + " kept and offered again:" +
         EntryList(result.left, result.left.entries);
}

}  // namespace lw
