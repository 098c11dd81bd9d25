// Text at a COM boundary: the program's texts are ANSI (the system code page), automation's are
// UTF-16 BSTRs. Converted here and nowhere else.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>

namespace lw {

std::wstring WideText(std::string_view text);
std::string AnsiText(std::wstring_view text);
// The BSTR's text (its full length, embedded NULs included); empty for a null BSTR.
std::string AnsiText(BSTR text);
// A new BSTR the caller frees; null only when there is no memory for it.
BSTR NewBstr(std::string_view text);

// The system's description of a failure code with the code itself: "Class not registered
// (0x80040154)"; the code alone when the system has no text for it.
std::string HresultText(HRESULT hr);

}  // namespace lw
