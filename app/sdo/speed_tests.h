// The speed tests by their option index: which record class each one walks, the name shown for
// it, the field it reads and the field a write test changes (and puts back).
#pragma once

namespace lw {

struct SpeedTest {
  const char* className;
  const char* name;
  const char* readField;
  const char* writeField;  // nullptr for a read test
};

inline constexpr int kAllTests = 5;

// Tests 0 to 4; "All Tests" (5) and anything else give the customer tests' record class, which
// is what the log-in check counts for it.
const SpeedTest& SpeedTestOf(int index);

}  // namespace lw
