#include "component/classes_win.h"

namespace updara {
namespace {

// The main object lives in its host's apartment (its events come from a window on that thread);
// the collections and their items are plain data, usable from any apartment.
constexpr ClassRegistration kClasses[] = {
    {CLSID_UpdaraCom, L"UpdaraCom Class", L"Kivra.UpdaraCom.1", L"Kivra.UpdaraCom", L"Apartment"},
    {CLSID_UpdFiles, L"UpdFiles Class", L"Kivra.UpdFiles.1", L"Kivra.UpdFiles", L"Both"},
    {CLSID_UpdFile, L"UpdFile Class", L"Kivra.UpdFile.1", L"Kivra.UpdFile", L"Both"},
    {CLSID_UpdMessages, L"UpdMessages Class", L"Kivra.UpdMessages.1", L"Kivra.UpdMessages", L"Both"},
    {CLSID_UpdMessage, L"UpdMessage Class", L"Kivra.UpdMessage.1", L"Kivra.UpdMessage", L"Both"},
    {CLSID_UpdProcesses, L"UpdProcesses Class", L"Kivra.UpdProcesses.2", L"Kivra.UpdProcesses", L"Both"},
    {CLSID_UpdProcess, L"UpdProcess Class", L"Kivra.UpdProcess.2", L"Kivra.UpdProcess", L"Both"},
};

}  // namespace

std::span<const ClassRegistration> UpdaraClasses() { return kClasses; }

}  // namespace updara
