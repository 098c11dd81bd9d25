// The workstation's facts for the main window: processor and Windows version (once per run),
// anti-virus and memory (refreshed), and whether the data lies on a network drive. Every step is
// guarded: what cannot be found leaves its text empty or partial, and nothing is ever shown to
// the user from here. COM must be initialised on the calling thread.
#pragma once

#include <cstdint>
#include <string>

namespace lw {

// Application-wide values of the workstation checks, read by the fixes and the main window.
struct WorkstationState {
  bool UserIsAdmin = false;  // set once at start-up by GetWindowsVersion
  std::string MemTip;        // tooltip of the memory label; kept when the memory cannot be read
  uint32_t MemColour = 0;
};
extern WorkstationState Workstation;

// The processor's name from WMI (the last processor listed), blanks collapsed; cpuWidth becomes
// "64bit", "32bit" or empty.
std::string GetProcessor(std::string& cpuWidth);
// The version label from a fresh update component object; sets osDetails and
// Workstation.UserIsAdmin. Without the component the label is made from what is known.
std::string GetWindowsVersion(const std::string& cpuWidth, std::string& osDetails);
// The anti-virus label from the Security Center (the older namespace, then the newer one for
// names only); sets avCompanies and avColour.
std::string GetAntiVirus(std::string& avCompanies, uint32_t& avColour);
// The memory label; sets Workstation.MemTip and Workstation.MemColour.
std::string GetMemoryStatus();
// "Local Data", "Network Data", the UNC warning or empty, for a folder path.
std::string GetDataLocation(const std::string& path);

}  // namespace lw
