// The oplock and SMB signing values in the registry, one reader and one writer per service key.
// Missing keys and values read as the default; any other failure raises the settings store's
// RuntimeError.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

}  // namespace lw
