#include "component/progress_view.h"

#include <cstdio>

#include "component/updara_text.h"

namespace updara {

std::string FileLabelOf(std::string_view url) {
  url = url.substr(0, url.find('?'));
  const size_t slash = url.find_last_of(url.find("://") == std::string_view::npos ? "/\\" : "/");
  if (slash != std::string_view::npos) url.remove_prefix(slash + 1);
  if (url.ends_with(".gz")) url.remove_suffix(3);
  return std::string(url);
}

std::string ProgressTitle(int percent, std::string_view downloadingText) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d%%) ", percent);
  return text + std::string(downloadingText) + "..";
}

std::string ByteText(long long received, long long total) {
  return total > 0 ? SizeText(received) + " / " + SizeText(total) : SizeText(received);
}

int PercentOf(long long received, long long total) {
  if (total <= 0 || received <= 0) return 0;
  return received >= total ? 100 : static_cast<int>(received * 100 / total);
}

int NextSweep(int counter) { return counter == 108 ? -111 : counter + 3; }

Bounce NextBounce(Bounce bar) {
  if (bar.position + bar.step > 5 || bar.position + bar.step < 0) bar.step = -bar.step;
  bar.position += bar.step;
  return bar;
}

int HeaderLeft(int clientWidth) { return clientWidth < kHeaderWidth ? 0 : (clientWidth - kHeaderWidth) / 2; }

bool SeparatorTiled(int clientWidth) { return clientWidth > 359; }

bool OverNoteLink(int x, int y, int clientWidth, int clientHeight, int textWidth, bool haveUrl) {
  return haveUrl && y >= clientHeight - 18 && y < clientHeight && x >= clientWidth - (textWidth + 3) && x < clientWidth;
}

std::string HtmCommandFor(std::string_view registeredCommand, std::string_view url) {
  size_t cut = registeredCommand.find("\"%1\"");
  if (cut == std::string_view::npos) cut = registeredCommand.find("%1");
  std::string command(registeredCommand.substr(0, cut));
  while (!command.empty() && command.back() == ' ') command.pop_back();
  return command + " " + std::string(url);
}

}  // namespace updara
