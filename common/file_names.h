// The one rule for a name that becomes a file inside a folder of the program's choosing: an entry
// of an update, the updater's name in the temporary folder. Both deliverables judge by it.
#pragma once

#include <string_view>

namespace lw {

// Whether a name is a plain file name that stays inside the folder it is put in: no path
// separator, no "..", no ":", no trailing dot or blank, no control character, at most 255
// characters, and no reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
// extension).
bool IsPlainFileName(std::string_view name);

}  // namespace lw
