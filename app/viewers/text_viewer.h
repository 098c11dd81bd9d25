// What the text viewer decides, apart from its window: which kind of file it shows, how the file's
// bytes become the text in the box, the exclusion filter of reports, the marking of unsaved edits,
// the text a save writes, the remembered position and the layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/forms/forms_core.h"

namespace lw {

// The file the viewer shows: set by whoever opens it, just before.
struct ViewerState {
  std::string ViewerFile;
};
extern ViewerState Viewer;

// The company file is "...\company" and a report "....rpt", in any letter case.
bool IsCompanyFile(std::string_view path);
bool IsReport(std::string_view path);

// The largest file the viewer takes in: the package's small text files and its data check's
// reports are far smaller. A larger one is not shown, so it can never be saved over in part.
inline constexpr uint64_t kMaxViewerFileBytes = 16u << 20;

inline constexpr char kFileNotFound[] = "File Not Found";

// Takes blanks and control characters off the end, drops empty lines, and ends every line,
// the last one too, in CR LF. Lone LFs and CRs count as line ends.
std::string NormaliseLineEnds(std::string_view text);

// What the box shows for a file, and what may be done with it.
struct ViewerText {
  std::string text;                      // shown in the box
  std::vector<std::string> reportLines;  // a report's lines, which the exclusion filter picks from
  bool readOnly = true;                  // the box takes no edits
  bool saveable = false;                 // edits can be written back to the file
};

// The view of a file of that path: `bytes` are its contents, or nullopt when it is missing
// (`exists` false) or could not be read. A report's NUL-separated lines are shown as lines and
// never saved; the company file is shown with its line ends normalised. Whatever would not come
// back byte for byte in a save is shown read-only: a missing or unreadable file (a notice), and a
// file holding NUL bytes that is not a report.
ViewerText ViewOfFile(std::string_view path, bool exists, const std::optional<std::string>& bytes);

// The text a report shows for the exclusion text: with more than 2 characters, the lines that do
// not contain it (ignoring letter case) joined by CR LF; else the report as loaded.
std::string FilteredReport(const std::vector<std::string>& lines, const std::string& content,
                           std::string_view exclusion);

// Unsaved edits are marked: the box turns light pink and Save is enabled while the text differs
// from what was loaded or last saved; white, and Save off, when it is the same again.
inline constexpr uint32_t kEditedColour = 0xFFC0FF;
inline constexpr uint32_t kUneditedColour = 0xFFFFFF;
struct ChangeView {
  uint32_t backColour;
  bool saveEnabled;
};
ChangeView ChangeViewOf(std::string_view shown, std::string_view content, bool saveable);

// The text a save writes: the company file's with its line ends normalised, any other as shown.
std::string TextToSave(std::string_view path, std::string_view shown);

// The box's message when a save did not take; the edits stay in the window.
std::string SaveFailedMessage(std::string_view path, std::string_view reason);
inline constexpr char kSaveFailedTitle[] = "Save Failed";

// The window's position and size in twips, kept in four settings with one suffix.
struct Placement {
  int left, top, width, height;
  bool operator==(const Placement&) const = default;
};
inline constexpr Placement kDefaultPlacement{0, 0, 10800, 7500};
inline constexpr int kMinViewerWidth = 3600, kMinViewerHeight = 2400;
// "Left", "Top", "Width" and "Height" followed by the window's suffix.
std::string PlacementKey(std::string_view name);
// The stored texts (empty when a setting is missing) as a placement on a screen of that area
// (twips): an empty or non-numeric value keeps its default, a size is at least the smallest
// usable one and at most the screen's, and the window is brought back onto the screen.
Placement RestoredPlacement(const std::string& left, const std::string& top, const std::string& width,
                            const std::string& height, const Placement& screen);
// Only a window in its normal state (0: neither minimised, 1, nor maximised, 2) stores where it is.
inline bool StoresPlacement(int windowState) { return windowState == 0; }

// The controls' places for an inner area of that size: the text fills the window above the
// buttons, whose panel sits 120 twips from the right edge and the bottom; the exclusion panel
// takes the rest of the bottom row and its box ends 120 twips before the buttons.
struct TextEditLayout {
  forms::Rect rtbMain, picButtons, picBottom, txtExc;
};
// `txtExc` is the box's design place within its panel; only its width changes.
TextEditLayout LayoutTextEdit(int scaleWidth, int scaleHeight, int buttonsWidth, int buttonsHeight,
                              const forms::Rect& txtExc);

}  // namespace lw
