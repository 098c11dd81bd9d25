// libFuzzer target of the update-information file's reader, with the path macros and the replace
// decision behind it (see docs/DEVELOPING.md).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/file_names.h"
#include "component/local_entry.h"
#include "component/update_info.h"

namespace {

// Values that hold macros of their own, so that expansion goes round more than once.
class Macros final : public updara::MacroSource {
 public:
  std::string HostExecutable() const override { return "C:\\Program Files\\App\\app.exe"; }
  std::string CurrentDirectory() const override { return "C:\\Work"; }
  std::string WindowsFolder() const override { return "C:\\Windows"; }
  std::string SystemFolder() const override { return "C:\\Windows\\system32"; }
  std::optional<std::string> UserShellFolder(std::string_view name) const override {
    if (name.size() == 8) return "%USERPROFILE%\\Documents";
    return std::nullopt;
  }
  std::optional<std::string> Environment(std::string_view name) const override {
    if (name == "USERPROFILE") return "C:\\Users\\me";
    if (name == "SELF") return "%SELF%";
    return std::nullopt;
  }
};

class Machine final : public updara::LocalMachine {
 public:
  std::string ModulePath(std::string_view name) override { return name.size() % 2 ? "C:\\Prog\\found.dll" : ""; }
  std::string FileVersionText(std::string_view file) override { return std::string(file.substr(0, 12)); }
  std::string CurrentDirectory() override { return "C:\\Work"; }
  updara::LocalFileFacts Inspect(std::string_view path) override {
    return {path.size() % 3 != 0, 45000.5, path.size() % 2 ? std::optional<double>() : 45001.0};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Macros macros;
  const auto info = updara::ParseUpdateInfo(text, "#Update file signature", "http://host/dir/upd.txt?x=1", macros);
  if (!info) return 0;
  Machine machine;
  for (const updara::FileEntry& entry : info->files) {
    if (entry.name.empty() || entry.path.size() > updara::kMaxPathLength) __builtin_trap();
    for (long rule : {0L, 1L, 2L, 4L, 63L, 255L, 3L}) {
      const updara::CompletedEntry done = updara::CompleteEntry(entry, machine, rule);
      if (done.needReplace && !lw::IsPlainFileName(entry.name)) __builtin_trap();  // never marked
    }
  }
  for (const updara::MessageEntry& m : info->messages)
    if (m.caption.empty() && m.text.empty()) __builtin_trap();
  return 0;
}
