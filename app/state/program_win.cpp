#include "app/state/program_win.h"

#include <windows.h>

#include "app/forms/forms_win.h"
#include "app/tools/files_win.h"
#include "app/tools/text.h"

namespace lw {

int ShowMessage(const std::string& text, unsigned style, const std::string& title) {
  return forms::MsgBox(text, style, title.empty() ? kFileDescription : title);
}

ProgramVersion RunningVersion() {
  char path[MAX_PATH] = {};
  std::string version = GetFileVersion(std::string(path, GetModuleFileNameA(nullptr, path, sizeof path)));
  if (version.empty()) return {kVersionMajor, kVersionMinor, kVersionRevision};
  return {int(Val(GetField(version, 1, "."))), int(Val(GetField(version, 2, "."))),
          int(Val(GetField(version, 3, ".")))};
}

int RunningRevision() { return RunningVersion().revision; }

double SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

CalendarDate Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

}  // namespace lw
