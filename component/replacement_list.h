// Reading the replacement list that hands files over to the updater: what the component needs to
// clear an earlier run's leftovers and to notice files still waiting from one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

inline constexpr std::string_view kReplacementListSignature = "#UDA Signature";

struct ListedItem {
  bool process = false;  // a "?" line: a process to end, no file
  std::string source;    // the downloaded file, without a leading "#", up to ">"
};

// The items after the four header lines; nullopt when the text lacks the signature. Lines end in
// CR LF (a lone LF is taken too); empty lines are skipped.
std::optional<std::vector<ListedItem>> ReplacementListItems(std::string_view text);

}  // namespace updara
