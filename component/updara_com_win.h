// UpdaraCom, the component object: properties, the state machine, the workers and the hidden
// notification window through which their results become events on the host's thread.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "common/product.h"
#include "component/com_base_win.h"
#include "component/entries_win.h"
#include "component/fetch_url.h"
#include "component/file_replacement_win.h"
#include "component/progress_window_win.h"
#include "component/updara_text.h"
#include "component/workers_win.h"

namespace updara {

// The notification window's messages; the error code travels in the second parameter.
enum NotifyMessage : UINT {
  kMsgCheckDone = 1025,
  kMsgDownloadDone = 1026,
  kMsgUpdateDone = 1027,
  kMsgFileStart = 1028,
  kMsgFileProgress = 1029,  // first parameter: bytes so far; second: the total
  kMsgFileDone = 1030,
  kMsgPrevDetected = 1034,
};
inline constexpr char kNotifyClass[] = "EmptyUpdaraClass";
inline constexpr char kNotifyTitle[] = "EmptyUpdaraWindow";

class UpdaraComObject;

// The one connection point, for _IUpdaraComEvents; it lives and counts inside the object.
class EventsConnectionPoint final : public IConnectionPoint {
 public:
  explicit EventsConnectionPoint(UpdaraComObject& owner) : owner_(owner) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** out) override;

  std::vector<ComRef<IDispatch>> Sinks() const;

 private:
  UpdaraComObject& owner_;
  std::map<DWORD, ComRef<IDispatch>> sinks_;
  DWORD nextCookie_ = 1;
};

class UpdaraComObject final : public DispatchObject<IUpdaraCom, &IID_IUpdaraCom>,
                              public ErrorInfoSupport<&IID_IUpdaraCom>,
                              public IConnectionPointContainer,
                              public IProvideClassInfo2,
                              private DownloadEvents {
 public:
  UPDARA_IUNKNOWN_OF(DispatchObject)
  // Fails when the notification window cannot be made: without it no event could ever arrive.
  static HRESULT Create(REFIID iid, void** out);
  ~UpdaraComObject() override;

  // IUpdaraCom
  STDMETHODIMP get_URL(BSTR* v) override { return ReturnText(url_, v); }
  STDMETHODIMP put_URL(BSTR v) override;
  STDMETHODIMP get_UpdaterName(BSTR* v) override { return ReturnText(updaterName_, v); }
  STDMETHODIMP put_UpdaterName(BSTR v) override;
  STDMETHODIMP Check(VARIANT url, VARIANT visible) override;
  STDMETHODIMP get_Visible(VARIANT_BOOL* v) override { return GetBool(visible_, v); }
  STDMETHODIMP put_Visible(VARIANT_BOOL v) override { return SetBool(visible_, v); }
  STDMETHODIMP Download() override;
  STDMETHODIMP Update() override;
  STDMETHODIMP get_Blocking(VARIANT_BOOL* v) override { return GetBool(blocking_, v); }
  STDMETHODIMP put_Blocking(VARIANT_BOOL v) override { return SetBool(blocking_, v); }
  STDMETHODIMP get_Signature(BSTR* v) override { return ReturnText(signature_, v); }
  STDMETHODIMP put_Signature(BSTR v) override { return SetText(signature_, v); }
  STDMETHODIMP get_Files(IUpdFiles** v) override { return files_.CopyTo(v); }
  STDMETHODIMP get_Messages(IUpdMessages** v) override { return messages_.CopyTo(v); }
  STDMETHODIMP Reset() override;
  STDMETHODIMP get_State(UpdateStates* v) override;
  STDMETHODIMP get_StateText(VARIANT state, BSTR* v) override;
  STDMETHODIMP get_Notification(IUpdaraNotify** v) override { return notify_.CopyTo(v); }
  STDMETHODIMP putref_Notification(IUpdaraNotify* v) override;
  STDMETHODIMP get_Version(BSTR* v) override { return ReturnText("1.2.4.60", v); }
  STDMETHODIMP put_Version(BSTR) override { return S_OK; }
  STDMETHODIMP Cancel() override;
  STDMETHODIMP get_Language(LanguageEnum* v) override;
  STDMETHODIMP put_Language(LanguageEnum v) override;
  STDMETHODIMP get_Login(BSTR* v) override { return ReturnText(login_, v); }
  STDMETHODIMP put_Login(BSTR v) override { return SetText(login_, v); }
  STDMETHODIMP get_Password(BSTR* v) override { return ReturnText(password_, v); }
  STDMETHODIMP put_Password(BSTR v) override { return SetText(password_, v); }
  STDMETHODIMP get_ReplaceRule(ReplaceRulesEnum* v) override;
  STDMETHODIMP put_ReplaceRule(ReplaceRulesEnum v) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP get_DialogText(VARIANT index, BSTR* v) override;
  STDMETHODIMP put_DialogText(VARIANT index, BSTR v) override;
  STDMETHODIMP get_WinVersion(BSTR* v) override;
  STDMETHODIMP put_WinVersion(BSTR) override { return S_OK; }
  STDMETHODIMP get_RequireAdmin(VARIANT_BOOL* v) override { return GetBool(requireAdmin_, v); }
  STDMETHODIMP put_RequireAdmin(VARIANT_BOOL v) override { return SetBool(requireAdmin_, v); }
  STDMETHODIMP get_UserIsAdmin(VARIANT_BOOL* v) override { return GetBool(userIsAdmin_, v); }
  STDMETHODIMP get_ServiceIsRunning(VARIANT_BOOL* v) override;
  STDMETHODIMP get_DialogNoteText(BSTR* v) override { return ReturnText(dialogNoteText_, v); }
  STDMETHODIMP put_DialogNoteText(BSTR v) override { return SetText(dialogNoteText_, v); }
  STDMETHODIMP get_DialogNoteURL(BSTR* v) override { return ReturnText(dialogNoteUrl_, v); }
  STDMETHODIMP put_DialogNoteURL(BSTR v) override { return SetText(dialogNoteUrl_, v); }
  STDMETHODIMP get_CmdBefore(BSTR* v) override { return ReturnText(cmdBefore_, v); }
  STDMETHODIMP put_CmdBefore(BSTR v) override { return SetText(cmdBefore_, v); }
  STDMETHODIMP get_CmdAfter(BSTR* v) override { return ReturnText(cmdAfter_, v); }
  STDMETHODIMP put_CmdAfter(BSTR v) override { return SetText(cmdAfter_, v); }
  STDMETHODIMP get_CmdLine(BSTR* v) override { return ReturnText(cmdLine_, v); }
  STDMETHODIMP put_CmdLine(BSTR v) override { return SetText(cmdLine_, v); }
  STDMETHODIMP get_GlobalTerminate(VARIANT_BOOL* v) override { return GetBool(globalTerminate_, v); }
  STDMETHODIMP put_GlobalTerminate(VARIANT_BOOL v) override { return SetBool(globalTerminate_, v); }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* out) override;

 protected:
  void* OtherInterface(REFIID riid) override;

 private:
  friend class EventsConnectionPoint;
  UpdaraComObject();
  HRESULT Construct();

  static HRESULT GetBool(bool field, VARIANT_BOOL* out);
  static HRESULT SetBool(bool& field, VARIANT_BOOL value);
  static HRESULT SetText(std::string& field, BSTR value);
  HRESULT Fail(long code) { return ReportError(code, IID_IUpdaraCom); }

  // The window and its procedure.
  HRESULT CreateNotifyWindow();
  void DestroyNotifyWindow();
  static LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnNotify(UINT message, WPARAM wParam, LPARAM lParam);

  // Changes the state and fires StateChange when it really changes. Firing returns false when the
  // host let go of the object in its handler: nothing more may touch it then.
  bool SetState(UpdateStates state);
  bool Fire(DISPID id, VARIANT* argsReversed, UINT count);
  bool FireDone(DISPID id, long code);

  // Runs the work on the worker thread, with the progress window there when Visible, and posts its
  // result with the done message.
  void StartWorker(UINT doneMessage, bool download, std::function<long(FetchObserver*)> work);
  ProgressSetup ProgressSetupFor(bool download);
  HRESULT BlockingWait();
  void JoinWorker();
  // Posts until the queue takes it (a full queue must not lose a file's start, its end or the
  // result); gives up only when the window or the object is gone.
  void PostSurely(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;

  // DownloadEvents, called on the download thread: each becomes a posted message.
  void FileStarted(const ComRef<UpdFileObject>& file) override;
  void Progress(long long position, long long total) override;
  void FileDone(long code) override;

  void ApplyGlobals();
  // The list of the entries that have a downloaded file; false when it could not be written.
  bool WriteReplacementList() const;
  std::vector<long> ProcessIdsToEnd() const;
  std::vector<std::string> EntryFolders() const;

  // Update's steps: the moves the host may make itself, then the hand-over of the rest (`run` is
  // the journal of this run, when there is one) and the host's end.
  HRESULT ReplaceInPlace(std::vector<ComRef<UpdFileObject>>& waiting, ReplacementRun& run);
  void HandOver(ReplacementRun* run);
  void FinishUpdate(long code);

  bool TakeName(const std::string& name);
  // Whether this object holds its name's lock: only then are the list, the journal and the
  // programs of that name its own to touch.
  bool HoldsName() const { return mutex_ != nullptr; }
  void DeleteLeftovers();
  void DeleteIfOwnDownload(const std::string& path) const;
  void DetectEarlierRun();
  ComRef<IUpdFile> CurrentFile();

  EventsConnectionPoint events_{*this};
  ComRef<IUpdaraNotify> notify_;
  HWND window_ = nullptr;

  std::string url_, login_, password_, signature_ = "#Update file signature";
  FetchUrl target_;  // url_ taken apart
  std::string updaterName_, tempFolder_;
  UpdaterNames names_;
  HANDLE mutex_ = nullptr;
  bool handedOver_ = false;  // the updater waits for the lock: it is held until the process ends
  WPARAM nameTaken_ = 0;     // counts the names taken, so a look for a list of an earlier name is dropped
  std::string dialogTexts_[kDialogTextCount];
  std::string dialogNoteText_ = "Powered by Updara";
  std::string dialogNoteUrl_ = lw::kPublisherPage;
  ProgressFonts fonts_;
  std::string cmdBefore_, cmdAfter_, cmdLine_, winVersion_;
  bool visible_ = true, blocking_ = false, requireAdmin_ = false, userIsAdmin_ = false,
       globalTerminate_ = false, pending_ = false;
  long replaceRule_ = 63;

  ComRef<UpdFilesObject> files_;
  ComRef<UpdMessagesObject> messages_;

  // Shared with the workers.
  std::atomic<long> state_{0};
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
  std::atomic<long> blockingResult_{0};  // the last completion's error, or 30004 after Cancel
  std::atomic<bool> abandoned_{false};   // the object is going: the worker posts no more
  HWND workerWindow_ = nullptr;           // where the running worker posts
  std::mutex currentLock_;
  ComRef<IUpdFile> currentFile_;
  std::deque<ComRef<IUpdFile>> startedFiles_;  // announced by the download, not yet fired
  GlobalSettings checkGlobals_;                 // what the last check read for the properties
  std::thread worker_;
};

// Whether the process token passes an access check against the local Administrators group.
bool ProcessIsAdmin();
// "%d.%d.%d.%d.%s" of the running Windows, whatever the host's manifest declares.
std::string RealWinVersion();

}  // namespace updara
