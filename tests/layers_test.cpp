// The include lines of the program and the component follow the layers: each folder includes only
// its own files and the folders below it, and only the shell includes another folder's windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Bottom to top; each folder with the folders it may include.
const std::map<std::string, std::vector<std::string>> kMayInclude = {
    {"common", {}},
    {"app/tools", {"common"}},
    {"app/forms", {"common"}},
    {"app/state", {"common", "app/tools", "app/forms"}},
    {"app/sdo", {"common", "app/tools", "app/forms", "app/state"}},
    {"app/discovery", {"common", "app/tools", "app/forms", "app/state", "app/sdo"}},
    {"app/datafiles", {"common", "app/tools", "app/forms", "app/state", "app/sdo", "app/discovery"}},
    {"app/diagnostics", {"common", "app/tools", "app/forms", "app/state"}},
    {"app/updates", {"common", "app/tools", "app/forms", "app/state", "app/sdo", "app/discovery"}},
    {"app/viewers", {"common", "app/tools", "app/forms", "app/state"}},
    {"app/shell",
     {"common", "app/tools", "app/forms", "app/state", "app/sdo", "app/discovery", "app/datafiles", "app/diagnostics",
      "app/updates", "app/viewers"}},
    {"component", {"common"}},
    {"standins", {}},
};

// The folder a source belongs to: "app/<subsystem>", or the top folder.
std::string FolderOf(const std::string& relative) {
  const size_t first = relative.find('/');
  if (first == std::string::npos) return "";
  if (relative.compare(0, first, "app") != 0) return relative.substr(0, first);
  const size_t second = relative.find('/', first + 1);
  return second == std::string::npos ? "" : relative.substr(0, second);
}

bool IsWindow(const std::string& header) { return fs::path(header).filename().string().starts_with("frm_"); }

TEST(Layers, EveryIncludePointsDownAndOnlyTheShellIncludesAnotherFoldersWindows) {
  const fs::path root = LW_SOURCE_DIR;
  const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
  int files = 0;
  std::vector<std::string> wrong;
  for (const char* top : {"app", "common", "component", "standins"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string file = fs::relative(entry.path(), root).generic_string();
      const std::string folder = FolderOf(file);
      ++files;
      auto allowed = kMayInclude.find(folder);
      if (allowed == kMayInclude.end()) {
        wrong.push_back(file + ": a folder that has no place among the layers");
        continue;
      }
      std::ifstream in(entry.path());
      std::smatch m;
      for (std::string line; std::getline(in, line);) {
        if (!std::regex_search(line, m, include)) continue;
        const std::string header = m[1];
        if (header.find('/') == std::string::npos) continue;  // generated in the build tree
        const std::string to = FolderOf(header);
        if (to == folder) continue;
        const auto& below = allowed->second;
        if (std::find(below.begin(), below.end(), to) == below.end())
          wrong.push_back(file + " includes " + header + ", which is not below it");
        else if (IsWindow(header) && folder != "app/shell")
          wrong.push_back(file + " includes " + header + ", a window of another folder");
      }
    }
  }
  EXPECT_GT(files, 100);
  EXPECT_TRUE(wrong.empty()) << [&] {
    std::string all;
    for (const std::string& w : wrong) all += w + "\n";
    return all;
  }();
}

TEST(Layers, TheTableHasNoCycle) {
  // A folder may include another only if that one may not include it, directly or through others.
  std::map<std::string, std::vector<std::string>> reach;
  for (const auto& [folder, below] : kMayInclude) {
    std::vector<std::string> seen(below), todo(below);
    while (!todo.empty()) {
      const std::string next = todo.back();
      todo.pop_back();
      for (const std::string& further : kMayInclude.at(next))
        if (std::find(seen.begin(), seen.end(), further) == seen.end()) {
          seen.push_back(further);
          todo.push_back(further);
        }
    }
    EXPECT_EQ(std::find(seen.begin(), seen.end(), folder), seen.end()) << folder << " reaches itself";
  }
}

}  // namespace
