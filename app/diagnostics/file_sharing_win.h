// The oplock and SMB signing values in the registry, one reader and one writer per service key.
// Missing keys and values read as the default; any other failure raises the settings store's
// RuntimeError.
#pragma once

#include <cstdint>
#include <string>

namespace lw {

uint32_t GetMRXSmbValue(const std::string& name, uint32_t defaultValue);
uint32_t GetLanManServerValue(const std::string& name, uint32_t defaultValue);
uint32_t GetLanManWorkstationValue(const std::string& name, uint32_t defaultValue);
void SetMRXSmbValue(const std::string& name, uint32_t value);
void SetLanManServerValue(const std::string& name, uint32_t value);
void SetLanManWorkstationValue(const std::string& name, uint32_t value);

}  // namespace lw
