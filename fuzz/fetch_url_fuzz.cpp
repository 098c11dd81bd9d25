// libFuzzer target of the URL parser: the URL property and a file entry's URL (see
// docs/DEVELOPING.md).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "component/fetch_url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const updara::FetchUrl entry = updara::ParseFetchUrl(text);
  if (entry.protocol != updara::Protocol::File && (entry.objectPath.empty() || entry.objectPath[0] != '/'))
    __builtin_trap();  // a server's object path always starts with "/"
  if (const auto property = updara::ParseComponentUrl(text)) {
    if (!text.empty() && property->url.find("://") == std::string::npos) __builtin_trap();
  }
  return 0;
}
