#include "app/diagnostics/file_sharing.h"

#include "app/diagnostics/workstation.h"
#include "app/tools/text.h"

namespace lw {

namespace {
SharingValueView Good(const char* caption) { return {caption, kGoodColour, false}; }
SharingValueView Bad(const char* caption) { return {caption, kWarningColour, true}; }
}  // namespace

SharingValueView OplocksDisabledView(uint32_t value) { return value != 0 ? Bad("1 - Disabled") : Good("0 - Enabled"); }

SharingValueView EnableOplocksView(uint32_t value) { return value != 1 ? Bad("0 - Disabled") : Good("1 - Enabled"); }

SharingValueView SigningView(uint32_t value) { return value == 1 ? Bad("1 - Enabled") : Good("0 - Disabled"); }

std::optional<uint32_t> OplocksDisabledFix(uint32_t value) {
  return value != 0 ? std::optional<uint32_t>(0) : std::nullopt;
}

std::optional<uint32_t> EnableOplocksFix(uint32_t value) {
  return value != 1 ? std::optional<uint32_t>(1) : std::nullopt;
}

std::optional<uint32_t> SigningFix(uint32_t value) { return value != 0 ? std::optional<uint32_t>(0) : std::nullopt; }

SharingValueView UnreadableView() { return {"Unreadable", kWarningColour, false}; }

std::string RegistryErrorText(const std::string& what, uint32_t number) {
  return Format("%s (error %08X)", what.c_str(), number);
}

}  // namespace lw
