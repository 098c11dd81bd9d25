// libFuzzer target of the update-information file's reader, with the path macros and the replace
// decision behind it, and of what a signed document is made of: the signature line, the bytes it
// covers, the rules of a signed document and the key ring (see docs/DEVELOPING.md).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/file_names.h"
#include "component/local_entry.h"
#include "component/signed_document.h"
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
  if (const auto ring = updara::ParseKeyRing(text)) {
    for (const updara::PublisherKey& key : *ring)
      if (key.point.size() != 64 || !updara::IsKeyId(key.id)) __builtin_trap();
  }
  // What is signed is the document's start up to a line's start; the signature line is all the rest.
  const updara::DocumentSignature signature = updara::FindSignature(text);
  std::string_view document = text;
  if (signature.state == updara::DocumentSignature::State::Signed) {
    const std::string_view covered = signature.signedBytes;
    if (covered.data() != text.data() || covered.size() > text.size()) __builtin_trap();
    if (!covered.empty() && covered.back() != '\n') __builtin_trap();
    if (!text.substr(covered.size()).starts_with(updara::kSignatureLinePrefix)) __builtin_trap();
    if (signature.signature.size() != 64 || !updara::IsKeyId(signature.keyId)) __builtin_trap();
    document = covered;
  }
  const Macros macros;
  const auto info = updara::ParseUpdateInfo(document, "#Update file signature", "https://host/dir/upd.txt?x=1", macros);
  if (!info) return 0;
  const long problem = updara::SignedDocumentProblem(*info, 20250101000000ULL, 5);
  if (problem == 0 && (!info->global.expires || !info->global.sequence)) __builtin_trap();
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
