#include "app/sdo/speed_tests.h"

#include <algorithm>
#include <string_view>

namespace lw {

const SpeedTest& SpeedTestOf(int index) {
  static constexpr SpeedTest kTests[] = {
      {"Customer Read", "SalesRecord", "Customer", "NAME", nullptr, 100, true},
      {"Customer Write", "SalesRecord", "Customer", "NAME", "SALES_REP", 100, true},
      {"Nominal Read", "NominalRecord", "Nominal", "NAME", nullptr, 100, true},
      {"Nominal Write", "NominalRecord", "Nominal", "NAME", "AUDIT_REF", 100, true},
      {"Split Read", "SplitData", "Split", "DETAILS", nullptr, 0, false},
  };
  return index >= 0 && index < kAllTests ? kTests[index] : kTests[0];
}

namespace {
constexpr std::string_view kTestTextStart = "Test Record ";
}

std::string TestText(long position) { return std::string(kTestTextStart) + std::to_string(position); }

bool IsTestText(const std::string& value) {
  if (!value.starts_with(kTestTextStart) || value.size() == kTestTextStart.size()) return false;
  return std::all_of(value.begin() + long(kTestTextStart.size()), value.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace lw
