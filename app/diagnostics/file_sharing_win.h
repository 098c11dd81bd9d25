// The oplock and SMB signing values in the registry, one reader and one writer per service key.
// Missing keys and values read as the default; any other failure raises the settings store's
// RuntimeError.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/diagnostics/file_sharing.h"

namespace lw {

uint32_t GetMRXSmbValue(const std::string& name, uint32_t defaultValue);
uint32_t GetLanManServerValue(const std::string& name, uint32_t defaultValue);
uint32_t GetLanManWorkstationValue(const std::string& name, uint32_t defaultValue);
void SetMRXSmbValue(const std::string& name, uint32_t value);
void SetLanManServerValue(const std::string& name, uint32_t value);
void SetLanManWorkstationValue(const std::string& name, uint32_t value);

// A value as stored under one of the three service keys (kMRXSmbKey, ...): nullopt when the key or
// the value is absent. The fixes read every value this way before they write, and put an absent
// value back by removing it.
std::optional<uint32_t> StoredSharingValue(const std::string& serviceKey, const std::string& name);
void RemoveSharingValue(const std::string& serviceKey, const std::string& name);

// A value as its label shows it. One that cannot be read says so, with the store's error as its
// tooltip, so the window still opens, and the other values are still shown, on a registry it
// cannot read.
struct SharingLabel {
  SharingValueView view;
  std::string tip;
};
// The client's "OplocksDisabled" and the server's "EnableOplocks".
std::array<SharingLabel, 2> ReadOplockLabels();
// The workstation's and the server's "EnableSecuritySignature" and "RequireSecuritySignature".
std::array<SharingLabel, 4> ReadSigningLabels();

}  // namespace lw
