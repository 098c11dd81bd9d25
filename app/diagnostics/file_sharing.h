// The Windows file-sharing settings that decide whether shared data files work quickly and
// safely: opportunistic locks on, SMB packet signing off. How each stored value is shown and
// judged, and what the fixes write; the Windows layer reads and writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/tools/colours.h"

namespace lw {

// Below HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet, as the program writes the key names.
inline constexpr const char* kControlSet = "CurrentControlSet";
inline constexpr const char* kMRXSmbKey = "Services\\MRXSmb\\Parameters";
inline constexpr const char* kLanManServerKey = "Services\\LanManServer\\Parameters";
inline constexpr const char* kLanManWorkstationKey = "Services\\LanManWorkstation\\Parameters";
// The two signing values, under the workstation's key and the server's.
inline constexpr const char* kSigningValues[] = {"EnableSecuritySignature", "RequireSecuritySignature"};

// A value as its label shows it, and whether it makes the frame's fix available.
struct SharingValueView {
  std::string caption;
  uint32_t colour = 0;
  bool needsFix = false;
};

// The client's "OplocksDisabled" (absent: 0): any non-zero value disables oplocks.
SharingValueView OplocksDisabledView(uint32_t value);
// The server's "EnableOplocks" (absent: 1): anything but 1 disables them.
SharingValueView EnableOplocksView(uint32_t value);
// Any of the four signing values (absent: 1): exactly 1 is signing on.
SharingValueView SigningView(uint32_t value);

// What a fix writes over the value read, if anything. The fixes are stricter than the display:
// a signing value of 2 is shown as off, yet rewritten to 0 once the fix runs.
std::optional<uint32_t> OplocksDisabledFix(uint32_t value);
std::optional<uint32_t> EnableOplocksFix(uint32_t value);
std::optional<uint32_t> SigningFix(uint32_t value);

// A value that could not be read at all (another type, or the key refused): shown as such in
// magenta, with the error in the label's tooltip; it does not offer the fix, which would have to
// read it first.
SharingValueView UnreadableView();
std::string RegistryErrorText(const std::string& what, uint32_t number);

}  // namespace lw
