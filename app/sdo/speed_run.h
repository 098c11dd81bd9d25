// One run of a speed test: passes over the first records of the test's object for 15 seconds,
// each pass reading (a write test also writing "Test Record N") and walking back over them
// (putting back what it wrote), timed on a clock of seconds since midnight. Every decision of the
// run is here, apart from the window and the engine, which it reaches through SpeedRunHost and
// SpeedRecords.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/sdo/speed_journal.h"
#include "app/sdo/speed_tests.h"
#include "app/tools/colours.h"

namespace lw {

inline constexpr double kSpeedTestDuration = 15;  // seconds
inline constexpr long kDisplayInterval = 100;     // records between two showings of the rate
inline constexpr long kSlowStartProbe = 10;       // the records timed for the slow start
inline constexpr double kSlowStartSeconds = 1;    // taking longer than this is a slow start
inline constexpr long kSlowPassRecords = 10;      // records per pass after a slow start, and the interval
inline constexpr long kMinSpeedRecords = 2;
// A clock that steps back by less than this has been set back a little (the run counts no time);
// a larger step back is the clock passing midnight.
inline constexpr double kClockSetBack = 60;
inline constexpr double kSecondsPerDay = 86400;

// What the run shows while it goes on: PBar's value (none: left as it is) and lblSpeed.
struct SpeedView {
  std::optional<int> bar;
  std::string rate;
  uint32_t colour = 0;
  bool operator==(const SpeedView&) const = default;
};

// What a run needs of the program around it.
class SpeedRunHost {
 public:
  virtual ~SpeedRunHost() = default;
  // Seconds since midnight.
  virtual double Now() = 0;
  // Shows the view, repaints and lets window events run: this is where a click of Stop arrives.
  virtual void Show(const SpeedView& view) = 0;
  virtual bool StopRequested() = 0;
  // Keeps the journal durably; false when it could not, and then nothing it covers is written.
  virtual bool SaveJournal(const SpeedJournal& journal) = 0;
  virtual void RemoveJournal() = 0;
};

// How a run ended.
struct SpeedRunResult {
  bool timed = false;   // the clock was started: the rate below is the test's result
  long count = 0;       // records visited, both sweeps, reads and writes alike
  int passes = 0;
  bool slowStart = false;
  std::string rate;     // lblSpeed's last caption
  uint32_t colour = kRunningColour;  // and its colour: magenta after a slow start
  // Write tests.
  bool journalRefused = false;  // the original values could not be kept safe: nothing was written
  long written = 0;             // records changed by the run
  SpeedJournal left;            // the originals the run could not put back (and kept in the journal)
};

// Records per pass for a test whose object holds count records.
long PassRecords(const SpeedTest& test, long count);
// The refusal of a test with fewer than kMinSpeedRecords records per pass, or empty.
std::string TooFewRecordsText(const SpeedTest& test, long passRecords);
// lblRecs as a run starts: the whole file's count, "Customer 150 Records" (also for one record).
std::string RunRecordsText(const std::string& name, long count);

// Seconds from start to now as the run counts them: a clock set back a little reads as no time
// passed; one set back by kClockSetBack or more (midnight has passed) stays negative, which ends
// the run at its next pass.
double RunElapsed(double start, double now);
// count ÷ the seconds, rounded to a whole number ("0" format). A run that passed midnight is
// measured across it; no time at all gives "0".
std::string RateText(long count, double elapsed);
// The view of lblSpeed and PBar at the start of a run.
SpeedView StartView();

// Runs the test over its first passRecords records (at least kMinSpeedRecords). A write test
// first reads the records it will change and journals their values (through the host) before it
// writes anything; it writes only records whose value it holds, and puts back only those it
// changed, each read back. The journal is removed once every change is undone; what could not be
// undone stays in it and in the result.
SpeedRunResult RunSpeedPasses(const SpeedTest& test, const std::string& dataPath, long passRecords,
                              SpeedRecords& records, SpeedRunHost& host);

// What the window tells the user after a write test whose originals are not all back (or that
// could not keep them safe), or empty.
std::string WriteRunReport(const SpeedTest& test, const SpeedRunResult& result);

}  // namespace lw
