// Text procedures shared by the whole program. Text is single-byte (the system ANSI code page);
// trimming removes blanks only, as the data files and settings use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
// Letter case of A-Z / a-z; other bytes are left as they are.
std::string LCase(std::string_view s);
std::string UCase(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);
// Every run of blanks made one blank, then trimmed: "  STATE   :  4  RUNNING " is
// "STATE : 4 RUNNING". Line breaks and tabs stay as they are.
std::string CollapseSpaces(std::string_view s);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Numeric value of the leading number of a text, after leading blanks: "18" is 18, " 7abc" is 7,
// "-3" is -3, anything without digits is 0. Values beyond the 64-bit range saturate.
int64_t Val(std::string_view s);

// Field n (from 1) of text split at delimiter; empty when there are fewer fields.
std::string GetField(std::string_view text, int n, std::string_view delimiter);

// The number as decimal text, padded on the left with zeros to at least width digits.
std::string ZeroPad(int64_t number, int width);

// Digits and ASCII letters kept; codes 32 to 255 become %XX; codes below 32 are dropped.
std::string UrlEncode(std::string_view text);

// Bytes as two lower-case hexadecimal digits each, and back; nullopt for an odd count of digits
// or anything that is not one.
std::string HexText(const uint8_t* bytes, size_t count);
std::optional<std::vector<uint8_t>> BytesFromHex(std::string_view text);

}  // namespace lw
