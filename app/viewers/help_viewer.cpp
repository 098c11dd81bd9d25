#include "app/viewers/help_viewer.h"

#include <algorithm>

#include "common/product.h"

namespace lw {

std::string HelpFile(std::string_view programFolder) {
  std::string folder(programFolder);
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder + "\\help.rtf";
}

std::string HelpCaption(std::string_view productTitle) {
  return std::string(productTitle.empty() ? std::string_view(kAppTitle) : productTitle) + " - Documentation";
}

std::string HelpMissingText(std::string_view helpFile) {
  return "Sorry - The help file " + std::string(helpFile) + " is missing.";
}

std::string HelpUnreadableText(std::string_view helpFile) {
  return "Sorry - The help file " + std::string(helpFile) + " could not be read.";
}

WindowSize HelpWindowSize(int designWidth, int screenWidth, int screenHeight) {
  return {screenWidth < designWidth ? screenWidth : designWidth, screenHeight * 9 / 10};
}

}  // namespace lw
