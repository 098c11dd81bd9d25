// The settings store: short text values kept in the current user's tree and mirrored machine-wide,
// plus typed access to machine keys under SOFTWARE and SYSTEM, and one locale query.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lw {

// Marks "no such value" between the store's layers; a stored value equal to it reads as missing.
inline constexpr const char* kSettingNotFound = "GETSETTINGNOTFOUND";
inline constexpr const char* kGlobalSection = "GlobalSettings";

// Per-user store: HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<appName>\<section>.
// A value that cannot be stored raises RuntimeError (its text names no value).
std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue);
void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& value);

// The program's settings, with the fallbacks to the machine store and the shared section. Reading
// never fails; a save reports whether the user store took the value (the machine mirror is refused
// to a user without the rights, which changes nothing for that user) and never stops the program.
std::string GetAppSetting(const std::string& key, const std::string& defaultValue);
std::string GetGlobalSetting(const std::string& key, const std::string& defaultValue);
bool SaveAppSetting(const std::string& key, const std::string& value);
bool SaveUserSetting(const std::string& key, const std::string& value);
bool SaveGlobalSetting(const std::string& key, const std::string& value);

// The accounting log-in password ("Password"), kept in the user store protected for the current
// user (CryptProtectData). A value stored in clear text by an earlier version is read as it is and
// stored again protected; one that cannot be unprotected (another user's, another machine's)
// reads as empty.
std::string GetPasswordSetting();
bool SavePasswordSetting(const std::string& password);

// HKEY_LOCAL_MACHINE\SOFTWARE\<appName>\<section>; a key of "(default)" in any case names the
// unnamed value. Raises RuntimeError as the registry error table says.
std::string ReadMachineString(const std::string& appName, const std::string& section, const std::string& key,
                              const std::string& defaultValue);
// Stored as REG_SZ with its terminating NUL (reading takes values with or without one). Raises
// RuntimeError when the key cannot be created or the value not set.
void WriteMachineString(const std::string& appName, const std::string& section, const std::string& key,
                        const std::string& value);

// HKEY_LOCAL_MACHINE\SYSTEM\<appName>\<section>, REG_DWORD values. Raise RuntimeError on failure.
uint32_t ReadSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                         uint32_t defaultValue);
// As ReadSystemDword, but nullopt when the key or the value is absent.
std::optional<uint32_t> QuerySystemDword(const std::string& appName, const std::string& section,
                                         const std::string& key);
void WriteSystemDword(const std::string& appName, const std::string& section, const std::string& key,
                      uint32_t value);
// Removes the value; an absent key or value is no error.
void DeleteSystemValue(const std::string& appName, const std::string& section, const std::string& key);

// An item of the user's default locale (LOCALE_SENGCOUNTRY, LOCALE_ICOUNTRY, ...), trimmed.
std::string GetLocaleString(unsigned item);

}  // namespace lw
