#include "app/diagnostics/file_sharing_win.h"

#include "app/diagnostics/file_sharing.h"
#include "app/state/settings_win.h"
#include "app/tools/text.h"
#include "common/runtime_error.h"

namespace lw {

namespace {
// The store takes an empty name as a missing key; the unnamed value has its own name there.
std::string ValueName(const std::string& name) { return Trim(name).empty() ? "(Default)" : name; }

template <typename Read>
SharingLabel ReadSharingLabel(Read read) {
  try {
    return {read(), ""};
  } catch (const RuntimeError& e) {
    return {UnreadableView(), RegistryErrorText(e.what(), e.Number())};
  }
}

}  // namespace

std::array<SharingLabel, 2> ReadOplockLabels() {
  return {ReadSharingLabel([] { return OplocksDisabledView(GetMRXSmbValue("OplocksDisabled", 0)); }),
          ReadSharingLabel([] { return EnableOplocksView(GetLanManServerValue("EnableOplocks", 1)); })};
}

std::array<SharingLabel, 4> ReadSigningLabels() {
  std::array<SharingLabel, 4> labels;
  for (int i = 0; i < 2; ++i) {
    labels[i] = ReadSharingLabel([i] { return SigningView(GetLanManWorkstationValue(kSigningValues[i], 1)); });
    labels[2 + i] = ReadSharingLabel([i] { return SigningView(GetLanManServerValue(kSigningValues[i], 1)); });
  }
  return labels;
}

uint32_t GetMRXSmbValue(const std::string& name, uint32_t defaultValue) {
  return ReadSystemDword(kControlSet, kMRXSmbKey, ValueName(name), defaultValue);
}

uint32_t GetLanManServerValue(const std::string& name, uint32_t defaultValue) {
  return ReadSystemDword(kControlSet, kLanManServerKey, ValueName(name), defaultValue);
}

uint32_t GetLanManWorkstationValue(const std::string& name, uint32_t defaultValue) {
  return ReadSystemDword(kControlSet, kLanManWorkstationKey, ValueName(name), defaultValue);
}

void SetMRXSmbValue(const std::string& name, uint32_t value) {
  WriteSystemDword(kControlSet, kMRXSmbKey, ValueName(name), value);
}

void SetLanManServerValue(const std::string& name, uint32_t value) {
  WriteSystemDword(kControlSet, kLanManServerKey, ValueName(name), value);
}

void SetLanManWorkstationValue(const std::string& name, uint32_t value) {
  WriteSystemDword(kControlSet, kLanManWorkstationKey, ValueName(name), value);
}

std::optional<uint32_t> StoredSharingValue(const std::string& serviceKey, const std::string& name) {
  return QuerySystemDword(kControlSet, serviceKey, ValueName(name));
}

void RemoveSharingValue(const std::string& serviceKey, const std::string& name) {
  DeleteSystemValue(kControlSet, serviceKey, ValueName(name));
}

}  // namespace lw
