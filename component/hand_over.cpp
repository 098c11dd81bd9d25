#include "component/hand_over.h"

#include "component/replacement_list.h"
#include "component/updara_text.h"

namespace updara {

std::string QuotedArguments(const std::vector<std::string>& arguments) {
  std::string out;
  for (const std::string& a : arguments) out += (out.empty() ? "\"" : " \"") + a + "\"";
  return out;
}

std::string ServiceRequest(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    const auto n = static_cast<std::uint32_t>(item.size());
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((n >> shift) & 0xFF);
    out += item;
  }
  return out;
}

std::string ExecutableOf(std::string_view commandLine) {
  while (!commandLine.empty() && (commandLine.front() == ' ' || commandLine.front() == '\t'))
    commandLine.remove_prefix(1);
  if (commandLine.starts_with('"')) {
    commandLine.remove_prefix(1);
    return std::string(commandLine.substr(0, commandLine.find('"')));
  }
  return std::string(commandLine.substr(0, commandLine.find_first_of(" \t")));
}

std::optional<std::string> UpdaterNameOf(std::string_view programPath) {
  constexpr std::string_view kSuffix = "upd.exe";
  const std::string_view name = programPath.substr(FolderOf(programPath).size());
  if (name.size() <= kSuffix.size() || LowerAscii(name.substr(name.size() - kSuffix.size())) != kSuffix)
    return std::nullopt;
  return std::string(name.substr(0, name.size() - kSuffix.size()));
}

}  // namespace updara
