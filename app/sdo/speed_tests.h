// The speed tests by their option index: which record class each one walks, the name shown for
// it, the field it reads and the field a write test changes (and puts back); the record object
// they walk, and the text a write test leaves in a record.
#pragma once

#include <optional>
#include <string>

namespace lw {

struct SpeedTest {
  const char* caption;     // the option's caption
  const char* className;
  const char* name;
  const char* readField;
  const char* writeField;  // nullptr for a read test
  long maxPassRecords;     // records per pass at most; 0: the whole file
  bool secondSweep;        // each pass walks its records a second time (putting back what it wrote)
};

inline constexpr int kAllTests = 5;
inline constexpr const char* kAllTestsCaption = "All Tests";

// Tests 0 to 4; "All Tests" (5) and anything else give the customer tests' record class, which
// is what the log-in check counts for it.
const SpeedTest& SpeedTestOf(int index);

// The record object of the engine as the speed test walks it. Every call answers, failures
// included; none throws.
class SpeedRecords {
 public:
  virtual ~SpeedRecords() = default;
  virtual bool MoveFirst() = 0;
  virtual bool MoveNext() = 0;
  virtual std::optional<std::string> Field(const std::string& name) = 0;
  virtual bool SetField(const std::string& name, const std::string& value) = 0;
  // True when the current record may be changed.
  virtual bool Edit() = 0;
  virtual bool Update() = 0;
};

// What a write test puts into the record at a position (from 1) of its pass.
std::string TestText(long position);
// Whether a value is such a text, of any position.
bool IsTestText(const std::string& value);

}  // namespace lw
