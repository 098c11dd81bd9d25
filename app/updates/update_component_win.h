// The update component as the About window uses it: one UpdaraCom object, bound through the
// component's type-library interfaces, with an event sink connected to its connection point.
// The component fires its events on the thread that created it (or last called Check), through
// its hidden window, so the handlers run on the user-interface thread like any window event.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/updates/about_rules.h"
#include "common/com_ref_win.h"
#include "updara_idl.h"

namespace lw {

class UpdaraEventSink;

class UpdateComponent {
 public:
  // The handlers of the events the program reacts to; an empty one ignores its event.
  struct Events {
    std::function<void()> CloseApp;
    std::function<void(long newFiles, long errorCode, const std::string& errorText)> CheckDone;
    std::function<void(long errorCode, const std::string& errorText)> UpdateDone;
    std::function<void(long errorCode, const std::string& errorText)> DownloadDone;
    std::function<void()> PrevDetected;
  };

  UpdateComponent() = default;
  UpdateComponent(const UpdateComponent&) = delete;
  UpdateComponent& operator=(const UpdateComponent&) = delete;
  ~UpdateComponent() { Release(); }

  // Creates the object in process and connects the handlers. On failure nothing is held and
  // Failure() says why.
  bool Create(Events events);
  // Disconnects the handlers and lets go of the object; no event arrives after it.
  void Release();
  explicit operator bool() const { return static_cast<bool>(object_); }
  IUpdaraCom* Object() const { return object_.get(); }

  // The calls of the update flow; each answers S_OK or the component's failure.
  HRESULT SetRequireAdmin(bool value);
  HRESULT SetVisible(bool value);
  HRESULT SetBlocking(bool value);
  HRESULT Check(const std::string& url);  // Visible is left to the property
  HRESULT Download();
  HRESULT Update();
  HRESULT Clear();

  // The entries of the last check, in their order; empty when they cannot be read.
  std::vector<ComRef<IUpdFile>> Files() const;

  // Why Create failed, in the system's words.
  const std::string& Failure() const { return failure_; }

 private:
  ComRef<IUpdaraCom> object_;
  UpdaraEventSink* sink_ = nullptr;  // holds a reference of its own
  DWORD cookie_ = 0;
  std::string failure_;
};

// An entry of the component as the review reads it; values that cannot be read stay empty, and
// NewDate is a stamp text only when the component has one set.
UpdateEntry ReadEntry(IUpdFile& file);
// Writes back what the review changed: MyVersion, NeedReplace and Path.
void WriteEntry(IUpdFile& file, const UpdateEntry& before, const EntryReview& review);

}  // namespace lw
