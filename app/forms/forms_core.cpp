#include "app/forms/forms_core.h"

#include <limits>
#include <vector>

namespace lw::forms {

namespace {

int ScaleRounded(int value, int mul, int div) {
  int64_t num = int64_t(value) * mul;
  int64_t q = (num >= 0 ? num + div / 2 : num - div / 2) / div;
  if (q > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (q < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(q);
}

int SaneDpi(int dpi) { return dpi > 0 ? dpi : 96; }

}  // namespace

int TwipsToPixels(int twips, int dpi) { return ScaleRounded(twips, SaneDpi(dpi), kTwipsPerInch); }

int PixelsToTwips(int pixels, int dpi) { return ScaleRounded(pixels, kTwipsPerInch, SaneDpi(dpi)); }

std::string ArrayElementName(std::string_view base, int index) {
  return std::string(base) + "(" + std::to_string(index) + ")";
}

int ArrayIndexOf(std::string_view name) {
  size_t open = name.rfind('(');
  if (open == std::string_view::npos || open == 0 || name.size() < open + 3 || name.back() != ')')
    return -1;
  std::string_view digits = name.substr(open + 1, name.size() - open - 2);
  if (digits.size() > 5) return -1;  // arrays are small; this also keeps the value in range
  int index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    index = index * 10 + (c - '0');
  }
  return index;
}

std::string DialogFilter(std::string_view filter) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string_view::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  if (!parts.empty() && parts.back().empty()) parts.pop_back();
  std::string out;
  for (size_t i = 0; i < parts.size(); i += 2) {
    out.append(parts[i]).push_back('\0');
    out.append(i + 1 < parts.size() && !parts[i + 1].empty() ? parts[i + 1] : "*.*").push_back('\0');
  }
  out.push_back('\0');
  if (out.size() == 1) out.push_back('\0');  // an empty filter list still ends in two NULs
  return out;
}

}  // namespace lw::forms
