// The settings store: short text values kept in the current user's tree and mirrored machine-wide,
// plus typed access to machine keys under SOFTWARE and SYSTEM, and one locale query.
#pragma once

#include <cstdint>
#include <string>

namespace lw {

// Marks "no such value" between the store's layers; a stored value equal to it reads as missing.
inline constexpr const char* kSettingNotFound = "GETSETTINGNOTFOUND";
inline constexpr const char* kGlobalSection = "GlobalSettings";

// Per-user store: HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<appName>\<section>.
std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue);
void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& value);

// The program's settings, with the fallbacks to the machine store and the shared section.
std::string GetAppSetting(const std::string& key, const std::string& defaultValue);
std::string GetGlobalSetting(const std::string& key, const std::string& defaultValue);
void SaveAppSetting(const std::string& key, const std::string& value);
void SaveUserSetting(const std::string& key, const std::string& value);
void SaveGlobalSetting(const std::string& key, const std::string& value);

// HKEY_LOCAL_MACHINE\SOFTWARE\<appName>\<section>; a key of "(default)" in any case names the
// unnamed value. Raises RuntimeError as the registry error table says.
std::string ReadMachineString(const std::string& appName, const std::string& section, const std::string& key,
                              const std::string& defaultValue);
// Failures are not reported: the user-store copy stays the effective value.
void WriteMachineString(const std::string& appName, const std::string& section, const std::string& key,
                        const std::string& value);

// HKEY_LOCAL_MACHINE\SYSTEM\<appName>\<section>, REG_DWORD values. Raise RuntimeError on failure.
uint32_t ReadSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                         uint32_t defaultValue);
void WriteSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                      uint32_t value);

// An item of the user's default locale (LOCALE_SENGCOUNTRY, LOCALE_ICOUNTRY, ...), trimmed.
std::string GetLocaleString(unsigned item);

}  // namespace lw
