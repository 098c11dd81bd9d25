#include "app/sdo/speed_tests.h"

namespace lw {

const SpeedTest& SpeedTestOf(int index) {
  static constexpr SpeedTest kTests[] = {
      {"SalesRecord", "Customer", "NAME", nullptr},     {"SalesRecord", "Customer", "NAME", "SALES_REP"},
      {"NominalRecord", "Nominal", "NAME", nullptr},    {"NominalRecord", "Nominal", "NAME", "AUDIT_REF"},
      {"SplitData", "Split", "DETAILS", nullptr},
  };
  return index >= 0 && index < kAllTests ? kTests[index] : kTests[0];
}

}  // namespace lw
