// libFuzzer target of the timestamp reader, the number readers and the entry URL rule (see
// docs/DEVELOPING.md).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/file_names.h"
#include "component/update_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double date = updara::ReadTimestamp(text);
  // Years 100 to 9999 only: an automation date between those bounds, or 0.
  if (!std::isfinite(date) || date < -657435.0 || date > 2958466.0) __builtin_trap();
  updara::ReadDecimal(text);
  updara::ReadBool(text);
  lw::IsPlainFileName(text);
  bool compressed = false;
  updara::EntryUrl(text, "http://host/dir/upd.txt?x=1", compressed);
  return 0;
}
