// libFuzzer target of the speed test's journal reader (see docs/DEVELOPING.md): a journal on disk
// may be damaged, and one that is read must write back to the same journal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/sdo/speed_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  lw::SpeedJournal journal, again;
  std::string error;
  if (!lw::ParseSpeedJournal(text, journal, error)) {
    if (error.empty() || !(journal == lw::SpeedJournal{})) __builtin_trap();  // a reason, and nothing half-read
    return 0;
  }
  if (!lw::ParseSpeedJournal(lw::BuildSpeedJournal(journal), again, error) || !(again == journal)) __builtin_trap();
  return 0;
}
