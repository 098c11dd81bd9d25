#include "app/tools/paths.h"

#include "app/tools/text.h"

namespace lw {

std::string NormaliseFolder(std::string_view path) {
  std::string p = LCase(Trim(path));
  if (!p.empty() && p.back() != '\\') p += '\\';
  return p;
}

std::string FileNameOf(std::string_view path) {
  size_t slash = path.find_last_of('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string SplitPath(std::string_view path, PathPart part) {
  size_t slash = path.find_last_of('\\');
  if (part == PathPart::Folder) return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
  std::string name = FileNameOf(path);
  size_t dot = name.find_last_of('.');
  if (part == PathPart::FileTitle) return dot == std::string::npos ? name : name.substr(0, dot);
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace lw
