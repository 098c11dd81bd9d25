#include "common/file_names.h"

#include <string>

namespace lw {

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32) return false;
    if (std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  // Device names stay devices whatever extension follows and whatever folder they are put in.
  std::string stem(name.substr(0, name.find('.')));
  for (char& c : stem)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
    if (stem == device) return false;
  if (stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' && stem[3] <= '9')
    return false;
  return true;
}

}  // namespace lw
