#include "app/viewers/text_viewer.h"

#include <algorithm>

#include "app/tools/text.h"

namespace lw {

ViewerState Viewer;

namespace {

constexpr char kPlacementSuffix[] = "TextEdit";
constexpr char kUnreadable[] =
    "The file could not be read: another program may hold it, it may be larger than 16 MB, or it may not be a "
    "plain file.";

// The stored number, or the default when the text holds none.
int StoredTwips(const std::string& text, int defaultValue) {
  const std::string t = Trim(text);
  const size_t digits = t.find_first_of("0123456789");
  if (digits == std::string::npos || digits > 1 || (digits == 1 && t[0] != '-')) return defaultValue;
  return static_cast<int>(std::clamp<int64_t>(Val(t), -1'000'000'000, 1'000'000'000));
}

}  // namespace

bool IsCompanyFile(std::string_view path) { return EndsWithNoCase(path, "\\company"); }
bool IsReport(std::string_view path) { return EndsWithNoCase(path, ".rpt"); }

std::string NormaliseLineEnds(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) < 33) --end;
  std::string out;
  out.reserve(end + end / 8 + 2);
  bool lineEnded = false;  // the last character kept ended a line: a following line end adds nothing
  for (size_t i = 0; i < end; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (!lineEnded) out += "\r\n";
      lineEnded = true;
    } else {
      out += c;
      lineEnded = false;
    }
  }
  return out + "\r\n";
}

ViewerText ViewOfFile(std::string_view path, bool exists, const std::optional<std::string>& bytes) {
  ViewerText view;
  if (!exists) {
    view.text = kFileNotFound;
    return view;
  }
  if (!bytes) {
    view.text = kUnreadable;
    return view;
  }
  const bool hasNul = bytes->find('\0') != std::string::npos;
  if (IsReport(path) || hasNul) {
    // A report's lines end in NUL instead of a line break. It is only ever read, and so is any
    // other file holding NULs, which the box could not give back as they are.
    size_t start = 0;
    for (size_t nul; (nul = bytes->find('\0', start)) != std::string::npos; start = nul + 1) {
      view.reportLines.push_back(bytes->substr(start, nul - start));
      view.text += view.reportLines.back() + "\r\n";
    }
    view.reportLines.push_back(bytes->substr(start));
    view.text += view.reportLines.back();
    if (!IsReport(path)) view.reportLines.clear();
    return view;
  }
  view.text = IsCompanyFile(path) ? NormaliseLineEnds(*bytes) : *bytes;
  view.readOnly = false;
  view.saveable = true;
  return view;
}

std::string FilteredReport(const std::vector<std::string>& lines, const std::string& content,
                           std::string_view exclusion) {
  if (exclusion.size() <= 2) return content;
  const std::string word = LCase(exclusion);
  std::string out;
  bool first = true;
  for (const std::string& line : lines) {
    if (LCase(line).find(word) != std::string::npos) continue;
    if (!first) out += "\r\n";
    out += line;
    first = false;
  }
  return out;
}

ChangeView ChangeViewOf(std::string_view shown, std::string_view content, bool saveable) {
  const bool edited = shown != content;
  return {edited ? kEditedColour : kUneditedColour, edited && saveable};
}

std::string TextToSave(std::string_view path, std::string_view shown) {
  return IsCompanyFile(path) ? NormaliseLineEnds(shown) : std::string(shown);
}

std::string SaveFailedMessage(std::string_view path, std::string_view reason) {
  return "The file " + std::string(path) + " was not saved:\r\n" + std::string(reason) +
         "\r\n\r\nThe file is unchanged, and your edits are still in the window.";
}

std::string PlacementKey(std::string_view name) { return std::string(name) + kPlacementSuffix; }

Placement RestoredPlacement(const std::string& left, const std::string& top, const std::string& width,
                            const std::string& height, const Placement& screen) {
  Placement p{StoredTwips(left, kDefaultPlacement.left), StoredTwips(top, kDefaultPlacement.top),
              StoredTwips(width, kDefaultPlacement.width), StoredTwips(height, kDefaultPlacement.height)};
  p.width = std::clamp(p.width, std::min(kMinViewerWidth, screen.width), std::max(screen.width, 1));
  p.height = std::clamp(p.height, std::min(kMinViewerHeight, screen.height), std::max(screen.height, 1));
  p.left = std::clamp(p.left, screen.left, std::max(screen.left, screen.left + screen.width - p.width));
  p.top = std::clamp(p.top, screen.top, std::max(screen.top, screen.top + screen.height - p.height));
  return p;
}

TextEditLayout LayoutTextEdit(int scaleWidth, int scaleHeight, int buttonsWidth, int buttonsHeight,
                              const forms::Rect& txtExc) {
  TextEditLayout l;
  l.rtbMain = {0, 0, scaleWidth, scaleHeight - buttonsHeight - 240};
  l.picButtons = {scaleWidth - buttonsWidth - 120, scaleHeight - buttonsHeight - 120, buttonsWidth, buttonsHeight};
  l.picBottom = {0, l.picButtons.top, std::max(0, l.picButtons.left), buttonsHeight};
  l.txtExc = txtExc;
  l.txtExc.width = std::max(0, l.picButtons.left - 120 - txtExc.left);
  return l;
}

}  // namespace lw
