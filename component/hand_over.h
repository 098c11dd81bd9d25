// The texts that pass between the component, its updater and restarter and the updater service:
// their command lines, the service's request, and what the updater reads from its own name and
// from the host's command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updara {

// "\"a\" \"b\"" and so on: each argument in double quotes, separated by blanks.
std::string QuotedArguments(const std::vector<std::string>& arguments);

// The updater service's request: each text item as its length in 4 bytes, most significant first,
// then its bytes.
std::string ServiceRequest(const std::vector<std::string>& items);

// The program a command line starts: its first argument as Windows reads it (up to the closing
// double quote when it starts with one, else up to the first blank or tab).
std::string ExecutableOf(std::string_view commandLine);

// The updater name N of an updater program written as T + N + "Upd.exe": the file name's part
// before "Upd.exe" (letter case does not count); nullopt for any other name.
std::optional<std::string> UpdaterNameOf(std::string_view programPath);

}  // namespace updara
