#include "common/com_text_win.h"

#include <cstdio>

namespace lw {

std::wstring WideText(std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring out(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), out.data(), n);
  return out;
}

std::string AnsiText(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string AnsiText(BSTR text) { return text ? AnsiText(std::wstring_view(text, SysStringLen(text))) : std::string(); }

BSTR NewBstr(std::string_view text) {
  const std::wstring wide = WideText(text);
  return SysAllocStringLen(wide.data(), UINT(wide.size()));
}

std::string HresultText(HRESULT hr) {
  char* buffer = nullptr;
  std::string text;
  if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, DWORD(hr), 0, reinterpret_cast<char*>(&buffer), 0, nullptr) &&
      buffer) {
    text = buffer;
    LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
      text.pop_back();
  }
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  return text.empty() ? std::string(code) : text + " (" + code + ")";
}

}  // namespace lw
