#include "app/discovery/sage_ini.h"

#include "app/tools/paths.h"
#include "app/tools/text.h"

namespace lw {

std::string LastDataPathFromSageIni(std::string_view iniText) {
  constexpr std::string_view kKey = "lastdatapath=";
  size_t start = 0;
  while (start < iniText.size()) {
    size_t end = iniText.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = iniText.size();
    std::string line = LCase(Trim(iniText.substr(start, end - start)));
    if (line.starts_with(kKey)) {
      std::string folder = NormaliseFolder(line.substr(kKey.size()));
      return folder.empty() ? std::string() : folder + "accdata\\";
    }
    // A CR LF pair ends one line, not two.
    start = end + ((end + 1 < iniText.size() && iniText[end] == '\r' && iniText[end + 1] == '\n') ? 2 : 1);
  }
  return {};
}

}  // namespace lw
