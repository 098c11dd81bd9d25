// The machine's answers for the update-information file and the replace decision: the path
// macros' values, the host's modules, version resources, local files and their dates, and the
// conversions between local automation dates and the UTC file times the file system keeps.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "component/local_entry.h"
#include "component/update_info.h"

namespace updara {

class SystemMacros final : public MacroSource {
 public:
  std::string HostExecutable() const override;
  std::string CurrentDirectory() const override;
  std::string WindowsFolder() const override;
  std::string SystemFolder() const override;
  std::optional<std::string> UserShellFolder(std::string_view name) const override;
  std::optional<std::string> Environment(std::string_view name) const override;
};

class SystemMachine final : public LocalMachine {
 public:
  // A module the host has not loaded is mapped without running any of its code, and let go of
  // again at once.
  std::string ModulePath(std::string_view name) override;
  std::string FileVersionText(std::string_view file) override;
  std::string CurrentDirectory() override;
  LocalFileFacts Inspect(std::string_view path) override;
};

// A UTC file time as a local automation date (daylight saving as it was on that date); nullopt
// when it cannot be converted.
std::optional<double> LocalDateOf(const FILETIME& utc);
// A local automation date as a UTC file time (0 for a date that is not set).
ULONGLONG UtcFileTimeOf(double localDate);

}  // namespace updara
