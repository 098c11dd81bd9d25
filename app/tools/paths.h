// Path procedures on Windows path text (backslash separators); pure, no file system access.
#pragma once

#include <string>
#include <string_view>

namespace lw {

// Trimmed, lower-cased, and ending in a backslash unless empty.
std::string NormaliseFolder(std::string_view path);

enum class PathPart { Folder = 1, FileTitle = 2, Extension = 3 };
// The folder (without its trailing backslash), the file name without extension, or the extension
// (without the dot) of a path.
std::string SplitPath(std::string_view path, PathPart part);

// The text after the last backslash (the whole text when there is none).
std::string FileNameOf(std::string_view path);

}  // namespace lw
