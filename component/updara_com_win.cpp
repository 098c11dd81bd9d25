#include "component/updara_com_win.h"

#include <olectl.h>

#include "common/file_names.h"
#include "common/updara_errors.h"
#include "component/processes_win.h"
#include "component/replacement_list.h"
#include "component/update_info.h"
#include "component/updater_start_win.h"

namespace updara {
namespace {

// One language for every object of the process; read from the user's locale on first use.
std::atomic<long> g_language{-1};

// Missing optional arguments arrive as VT_ERROR with DISP_E_PARAMNOTFOUND.
bool Missing(const VARIANT& v) {
  return V_VT(&v) == VT_EMPTY || (V_VT(&v) == VT_ERROR && V_ERROR(&v) == DISP_E_PARAMNOTFOUND);
}

VARIANT LongArg(long value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

bool RegisterNotifyClass(WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = kNotifyClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<ReplacementList> ReadReplacementList(const std::string& path) {
  const std::optional<std::string> text = ReadSmallFile(path, kMaxReplacementListBytes);
  return text ? ParseReplacementList(*text) : std::nullopt;
}

// Creates the folder and every missing one above it.
void CreateFolders(std::string_view folder) {
  for (size_t at = folder.find_first_of("\\/", 3); at != std::string_view::npos;
       at = folder.find_first_of("\\/", at + 1))
    CreateDirectoryA(std::string(folder.substr(0, at)).c_str(), nullptr);
}

// A failing HRESULT from the last error; a call that failed without setting one is still a failure.
HRESULT LastErrorResult() {
  const DWORD e = GetLastError();
  return e == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(e);
}

void CopyPoint(const ComRef<IConnectionPoint>& point, IConnectionPoint*& out) {
  out = nullptr;
  point.CopyTo(&out);
}
using PointEnum = SnapshotEnum<IEnumConnectionPoints, &IID_IEnumConnectionPoints, IConnectionPoint*,
                               ComRef<IConnectionPoint>, &CopyPoint>;

struct Connection {
  ComRef<IDispatch> sink;
  DWORD cookie;
};
void CopyConnection(const Connection& c, CONNECTDATA& out) {
  out.pUnk = nullptr;
  c.sink.CopyTo(&out.pUnk);
  out.dwCookie = c.cookie;
}
using ConnectionEnum =
    SnapshotEnum<IEnumConnections, &IID_IEnumConnections, CONNECTDATA, Connection, &CopyConnection>;

}  // namespace

// ---- construction ----

UpdaraComObject::UpdaraComObject() {
  for (int i = 0; i < kDialogTextCount; ++i) dialogTexts_[i] = DefaultDialogText(i);
  files_ = UpdFilesObject::Create();
  messages_ = UpdMessagesObject::Create();
}

HRESULT UpdaraComObject::Create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComRef<UpdaraComObject> object = ComRef<UpdaraComObject>::Adopt(new UpdaraComObject());
  if (HRESULT hr = object->Construct(); FAILED(hr)) return hr;
  return object->QueryInterface(iid, out);
}

HRESULT UpdaraComObject::Construct() {
  if (HRESULT hr = CreateNotifyWindow(); FAILED(hr)) return hr;
  LoadProgressPictures();
  userIsAdmin_ = ProcessIsAdmin();
  char temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof temp, temp);
  tempFolder_ = n > 0 && n < sizeof temp ? LongPathOf(std::string(temp, n)) : std::string();
  if (!tempFolder_.empty() && tempFolder_.back() != '\\') tempFolder_ += '\\';
  // A second object in the process finds the default name taken; it works on without the lock.
  TakeName("Updara");
  cmdLine_ = GetCommandLineA();
  if (HoldsName()) {
    DeleteFileA(names_.updaterExe.c_str());
    DeleteFileA(names_.restarterExe.c_str());
  }
  return S_OK;
}

UpdaraComObject::~UpdaraComObject() {
  cancel_ = true;
  abandoned_ = true;
  JoinWorker();
  DestroyNotifyWindow();
  // A class registered by a DLL outlives it; unregister it once no window of it is left, so a later
  // load of the DLL at another address does not inherit a stale procedure.
  UnregisterClassA(kNotifyClass, ModuleInstance());
  // After a hand-over the updater waits for the lock: it goes only with the process.
  if (mutex_ && !handedOver_) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
}

void* UpdaraComObject::OtherInterface(REFIID riid) {
  if (IsEqualIID(riid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
  if (IsEqualIID(riid, IID_IConnectionPointContainer)) return static_cast<IConnectionPointContainer*>(this);
  if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2))
    return static_cast<IProvideClassInfo2*>(this);
  return nullptr;
}

// ---- simple properties ----

HRESULT UpdaraComObject::GetBool(bool field, VARIANT_BOOL* out) {
  if (!out) return E_POINTER;
  *out = field ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT UpdaraComObject::SetBool(bool& field, VARIANT_BOOL value) {
  field = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT UpdaraComObject::SetText(std::string& field, BSTR value) {
  field = AnsiText(value);
  return S_OK;
}

HRESULT UpdaraComObject::put_URL(BSTR v) {
  const std::optional<ComponentUrl> parsed = ParseComponentUrl(AnsiText(v));
  if (!parsed) return Fail(kInvalidProtocol);
  url_ = parsed->url;
  target_ = parsed->target;
  login_ = parsed->target.user;
  password_ = parsed->target.password;
  return S_OK;
}

HRESULT UpdaraComObject::put_UpdaterName(BSTR v) {
  const std::string name = AnsiText(v);
  // A name that would put the list or the programs outside the temporary folder changes nothing.
  if (!lw::IsPlainFileName(name)) return Fail(kInvalidUpdaterName);
  return TakeName(name) ? S_OK : Fail(kNameNotUnique);
}

// The names change whatever happens; the lock is held only when the name was free.
bool UpdaraComObject::TakeName(const std::string& name) {
  updaterName_ = name;
  names_ = NamesFor(tempFolder_, name);
  if (mutex_ && !handedOver_) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  mutex_ = nullptr;
  HANDLE m = CreateMutexA(nullptr, TRUE, name.c_str());
  if (m && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(m);
    m = nullptr;
  }
  if (!m) return false;
  mutex_ = m;
  ++nameTaken_;
  if (FileExists(names_.replacementList) || FileExists(names_.journal))
    PostMessageA(window_, kMsgPrevDetected, nameTaken_, 0);
  return true;
}

HRESULT UpdaraComObject::get_State(UpdateStates* v) {
  if (!v) return E_POINTER;
  *v = static_cast<UpdateStates>(state_.load());
  return S_OK;
}

HRESULT UpdaraComObject::get_StateText(VARIANT state, BSTR* v) {
  if (!v) return E_POINTER;
  const VARIANT* arg = nullptr;
  if (HRESULT hr = ArgumentValue(state, arg); FAILED(hr)) return hr;
  if (Missing(*arg)) return ReturnText(StateText(state_.load()), v);
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(arg), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
  return ReturnText(StateText(V_I4(&number)), v);
}

HRESULT UpdaraComObject::putref_Notification(IUpdaraNotify* v) {
  notify_ = ComRef<IUpdaraNotify>(v);
  return S_OK;
}

HRESULT UpdaraComObject::get_Language(LanguageEnum* v) {
  if (!v) return E_POINTER;
  long language = g_language.load();
  if (language < 0) {
    long expected = -1;
    g_language.compare_exchange_strong(expected, static_cast<long>(GetUserDefaultLCID()));
    language = g_language.load();
  }
  *v = static_cast<LanguageEnum>(language);
  return S_OK;
}
HRESULT UpdaraComObject::put_Language(LanguageEnum v) {
  g_language = static_cast<long>(v) < 0 ? 0 : static_cast<long>(v);
  return S_OK;
}

HRESULT UpdaraComObject::get_ReplaceRule(ReplaceRulesEnum* v) {
  if (!v) return E_POINTER;
  *v = static_cast<ReplaceRulesEnum>(replaceRule_);
  return S_OK;
}
HRESULT UpdaraComObject::put_ReplaceRule(ReplaceRulesEnum v) {
  replaceRule_ = v;
  return S_OK;
}

// The progress-window text an index argument names, by number or by name: E_POINTER for a
// by-reference argument without its pointer, E_INVALIDARG for any other that names none.
static HRESULT DialogIndexOf(const VARIANT& index, int& i) {
  const VARIANT* arg = nullptr;
  if (HRESULT hr = ArgumentValue(index, arg); FAILED(hr)) return hr;
  std::optional<int> found;
  if (V_VT(arg) == VT_BSTR) {
    found = DialogTextIndex(AnsiText(V_BSTR(arg)));
  } else if (V_VT(arg) == (VT_BSTR | VT_BYREF)) {
    found = DialogTextIndex(AnsiText(*V_BSTRREF(arg)));
  } else {
    VARIANT number;
    VariantInit(&number);
    if (SUCCEEDED(VariantChangeType(&number, const_cast<VARIANT*>(arg), 0, VT_I4)) && V_I4(&number) >= 0 &&
        V_I4(&number) < kDialogTextCount)
      found = V_I4(&number);
  }
  if (!found) return E_INVALIDARG;
  i = *found;
  return S_OK;
}

HRESULT UpdaraComObject::get_DialogText(VARIANT index, BSTR* v) {
  if (!v) return E_POINTER;
  int i = 0;
  if (HRESULT hr = DialogIndexOf(index, i); FAILED(hr)) return hr;
  return ReturnText(dialogTexts_[i], v);
}
HRESULT UpdaraComObject::put_DialogText(VARIANT index, BSTR v) {
  int i = 0;
  if (HRESULT hr = DialogIndexOf(index, i); FAILED(hr)) return hr;
  dialogTexts_[i] = AnsiText(v);
  return S_OK;
}

HRESULT UpdaraComObject::get_WinVersion(BSTR* v) {
  if (winVersion_.empty()) winVersion_ = RealWinVersion();
  return ReturnText(winVersion_, v);
}

HRESULT UpdaraComObject::get_ServiceIsRunning(VARIANT_BOOL* v) {
  if (!v) return E_POINTER;
  const std::optional<std::uint32_t> reply = AskUpdaterService({"#TEST#"});
  *v = reply && *reply != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// ---- operations ----

HRESULT UpdaraComObject::Check(VARIANT url, VARIANT visible) {
  // Arguments a caller passed without their pointers are refused before anything changes.
  const VARIANT *u = nullptr, *vis = nullptr;
  if (HRESULT hr = ArgumentValue(url, u); FAILED(hr)) return hr;
  if (HRESULT hr = ArgumentValue(visible, vis); FAILED(hr)) return hr;
  if (state_.load() != StateNotConnected) return Fail(kInvalidState);
  pending_ = false;
  Reset();
  if (V_VT(u) == VT_BSTR || V_VT(u) == (VT_BSTR | VT_BYREF)) {
    if (HRESULT hr = put_URL(V_VT(u) == VT_BSTR ? V_BSTR(u) : *V_BSTRREF(u)); FAILED(hr)) return hr;
  }
  switch (V_VT(vis)) {
    case VT_I2: visible_ = V_I2(vis) != 0; break;
    case VT_I4: visible_ = V_I4(vis) != 0; break;
    case VT_BOOL: visible_ = V_BOOL(vis) != VARIANT_FALSE; break;
    case VT_I2 | VT_BYREF: visible_ = *V_I2REF(vis) != 0; break;
    case VT_I4 | VT_BYREF: visible_ = *V_I4REF(vis) != 0; break;
    case VT_BOOL | VT_BYREF: visible_ = *V_BOOLREF(vis) != VARIANT_FALSE; break;
    default: break;  // missing or another type: Visible stays
  }
  // Events go to the thread that asked for them.
  DestroyNotifyWindow();
  if (HRESULT hr = CreateNotifyWindow(); FAILED(hr)) return hr;
  ComRef<IUpdaraCom> self(this);  // a StateChange handler may let go of the object
  if (!SetState(StateCheckingUpdates)) return S_OK;
  CheckRequest request{url_, target_, login_, password_, signature_, replaceRule_};
  StartWorker(kMsgCheckDone, false,
              [this, request = std::move(request), files = files_, messages = messages_](FetchObserver* window) {
                CheckResult result = RunCheck(request, *files.get(), *messages.get(), cancel_, window);
                std::lock_guard<std::mutex> lock(currentLock_);
                checkGlobals_ = std::move(result.global);
                return result.code;
              });
  return blocking_ ? BlockingWait() : S_OK;
}

HRESULT UpdaraComObject::Download() {
  if (state_.load() != StateNotConnected) return Fail(kInvalidState);
  pending_ = false;
  DeleteLeftovers();
  ComRef<IUpdaraCom> self(this);
  if (!SetState(StateDownloadingFile)) return S_OK;
  std::vector<ComRef<UpdFileObject>> marked;
  for (const ComRef<UpdFileObject>& f : files_->Snapshot())
    if (f->NeedReplace()) marked.push_back(f);
  StartWorker(kMsgDownloadDone, true, [this, marked = std::move(marked)](FetchObserver* window) {
    return RunDownload(marked, tempFolder_, cancel_, *this, window);
  });
  return blocking_ ? BlockingWait() : S_OK;
}

HRESULT UpdaraComObject::Update() {
  ComRef<IUpdaraCom> self(this);  // a handler may let go of the object
  if (!SetState(StateUpdating)) return S_OK;
  // The list and the journal of a name whose lock another holds are not this object's to write.
  if (!HoldsName()) {
    FinishUpdate(kNameNotUnique);
    return S_OK;
  }
  if (pending_) {
    HandOver(nullptr);
    return S_OK;
  }
  const std::vector<ComRef<UpdFileObject>> entries = files_->Snapshot();
  if (globalTerminate_) {
    for (const ComRef<UpdFileObject>& f : entries)
      for (const RunningProcess& p : ProcessesUsing(f->Path())) EndProcess(p.id, static_cast<UINT>(-1));
  }
  std::vector<ComRef<UpdFileObject>> waiting;
  for (const ComRef<UpdFileObject>& f : entries) {
    if (f->NewPath().empty()) continue;
    if (f->Path().empty()) {
      f->SetNewPath({});  // nowhere to go
      continue;
    }
    // Nothing is put anywhere unless every destination is a plain full path.
    if (!IsPlainFullPath(f->Path())) {
      FinishUpdate(kListRefused);
      return S_OK;
    }
    waiting.push_back(f);
  }
  // The run's journal; an earlier run that could not be undone keeps its own, and then nothing is
  // moved here: the updater undoes that run first.
  std::optional<ReplacementRun> run;
  if (RecoverEarlierRun(names_.journal, false) != Recovery::Incomplete) {
    run.emplace(ReplacementRun::Begin(names_.journal));
    if (!run->Ok()) run.reset();
  }
  if (run && userIsAdmin_) {
    if (HRESULT hr = ReplaceInPlace(waiting, *run); FAILED(hr)) return hr;
  }
  if (waiting.empty()) {
    if (run) run->Commit();
    DeleteFileA(names_.replacementList.c_str());  // nothing is left for an updater
    FinishUpdate(kNoError);
    return S_OK;
  }
  HandOver(run ? &*run : nullptr);
  return S_OK;
}

// Each file the host may replace itself is replaced now; a file that is in use (a running
// program, a loaded library) stays in `waiting` for the updater. A server that will not register
// undoes the whole run and fails the call; the state stays at 3.
HRESULT UpdaraComObject::ReplaceInPlace(std::vector<ComRef<UpdFileObject>>& waiting, ReplacementRun& run) {
  std::vector<ComRef<UpdFileObject>> left;
  for (const ComRef<UpdFileObject>& f : waiting) {
    const std::optional<ReplacementFile> file = f->ListedFile();
    if (f->PathGiven()) CreateFolders(FolderOf(file->path));
    switch (run.Replace(*file, true, 1)) {
      case ReplacementRun::Outcome::Replaced:
        DeleteIfOwnDownload(file->newPath);
        f->SetNewPath({});
        break;
      case ReplacementRun::Outcome::RegisterFailed:
        run.RollBack();
        return Fail(kRegisterFailed);
      default:
        left.push_back(f);
        break;
    }
  }
  waiting.swap(left);
  return S_OK;
}

// The updater takes over: the list (written now, or the one of an earlier run when that is
// pending), the updater started, and the host asked to end. A failure undoes what this run
// replaced and is reported by UpdateDone.
void UpdaraComObject::HandOver(ReplacementRun* run) {
  long code = kNoError;
  if (!run) {
    // An earlier run's list is acted on only where it stays within the entries' folders.
    const std::optional<ReplacementList> list = ReadReplacementList(names_.replacementList);
    const std::vector<std::string> folders = EntryFolders();
    if (!list || FindListFault(*list, tempFolder_, &folders)) code = kListRefused;
  } else if (!WriteReplacementList()) {
    code = kNameNotUnique;
  }
  if (code == kNoError && run) run->HandOver();
  if (code == kNoError) code = StartUpdater(names_, requireAdmin_ && !userIsAdmin_, cmdLine_);
  if (code != kNoError) {
    if (run) RecoverEarlierRun(names_.journal, false);
    FinishUpdate(code);
    return;
  }
  handedOver_ = true;
  if (!Fire(EventCloseApp, nullptr, 0)) return;  // the host let go of the object in it
  PostThreadMessageA(GetCurrentThreadId(), WM_CLOSE, 0, 0);
  PostQuitMessage(0);
  EndHostWithinASecond();
}

void UpdaraComObject::FinishUpdate(long code) { PostMessageA(window_, kMsgUpdateDone, 0, code); }

HRESULT UpdaraComObject::Cancel() {
  cancel_ = true;
  blockingResult_ = kCancelled;
  return S_OK;
}

HRESULT UpdaraComObject::Reset() {
  DeleteLeftovers();
  files_ = UpdFilesObject::Create();
  messages_ = UpdMessagesObject::Create();
  cancel_ = false;
  return S_OK;
}

HRESULT UpdaraComObject::Clear() {
  messages_ = UpdMessagesObject::Create();
  DeleteLeftovers();
  return S_OK;
}

// What this component itself left in the temporary folder: its downloads ("UDX" files there, also
// those a list of its name names), that list, the run's journal (a run cut short is undone first)
// and its two programs. Nothing else is ever deleted, whatever a list names. An entry whose file is
// gone has no NewPath any more, so nothing can try to install it.
void UpdaraComObject::DeleteLeftovers() {
  for (const ComRef<UpdFileObject>& f : files_->Snapshot()) {
    if (const std::string p = f->NewPath(); !p.empty()) {
      DeleteIfOwnDownload(p);
      f->SetNewPath({});
    }
  }
  pending_ = false;
  // The list, the journal and the programs of a name whose lock another holds are not ours.
  if (!HoldsName()) return;
  RecoverEarlierRun(names_.journal, false);
  if (const std::optional<ReplacementList> list = ReadReplacementList(names_.replacementList)) {
    for (const ReplacementFile& f : list->files) DeleteIfOwnDownload(f.newPath);
    DeleteFileA(names_.replacementList.c_str());
  }
  DeleteFileA(names_.updaterExe.c_str());
  DeleteFileA(names_.restarterExe.c_str());
}

void UpdaraComObject::DeleteIfOwnDownload(const std::string& path) const {
  if (IsOwnDownload(path, tempFolder_)) DeleteFileA(path.c_str());
}

// An earlier run of this name: one cut short is undone; a list whose every file is one of this
// component's downloads, still there, is pending and reported by PrevDetected.
void UpdaraComObject::DetectEarlierRun() {
  RecoverEarlierRun(names_.journal, false);
  const std::optional<ReplacementList> list = ReadReplacementList(names_.replacementList);
  // A process line counts as a file that is not there.
  if (!list || list->files.empty() || !list->processIds.empty()) return;
  for (const ReplacementFile& f : list->files) {
    if (!IsOwnDownload(f.newPath, tempFolder_)) return;
    HANDLE h = CreateFileA(f.newPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    CloseHandle(h);
  }
  pending_ = true;
  Fire(EventPrevDetected, nullptr, 0);
}

void UpdaraComObject::StartWorker(UINT doneMessage, bool download, std::function<long(FetchObserver*)> work) {
  JoinWorker();
  running_ = true;
  blockingResult_ = cancel_ ? kCancelled : kNoError;
  {
    std::lock_guard<std::mutex> lock(currentLock_);
    startedFiles_.clear();
  }
  workerWindow_ = window_;
  std::optional<ProgressSetup> progress;
  if (visible_) progress = ProgressSetupFor(download);
  worker_ = std::thread([this, doneMessage, work = std::move(work), progress = std::move(progress)]() mutable {
    long code;
    try {
      // The window is the worker's own and closes before the result goes out.
      std::optional<ProgressWindow> window;
      if (progress) window.emplace(std::move(*progress));
      code = work(window && window->Hwnd() ? &*window : nullptr);
    } catch (...) {
      code = ERROR_NOT_ENOUGH_MEMORY;
    }
    PostSurely(workerWindow_, doneMessage, 0, static_cast<LPARAM>(code));
  });
}

// What the window shows, copied now: the host may change the texts while the worker runs.
ProgressSetup UpdaraComObject::ProgressSetupFor(bool download) {
  ProgressSetup setup;
  for (int i = 0; i < kDialogTextCount; ++i) setup.texts[i] = dialogTexts_[i];
  setup.noteText = dialogNoteText_;
  setup.noteUrl = dialogNoteUrl_;
  setup.fileFont = download ? fonts_.file() : nullptr;
  setup.noteFont = fonts_.note();
  setup.cancel = [this] {
    cancel_ = true;
    blockingResult_ = kCancelled;
  };
  return setup;
}

void UpdaraComObject::PostSurely(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
  while (!PostMessageA(window, message, wParam, lParam) && IsWindow(window) && !abandoned_.load()) Sleep(50);
}

void UpdaraComObject::FileStarted(const ComRef<UpdFileObject>& file) {
  {
    std::lock_guard<std::mutex> lock(currentLock_);
    startedFiles_.emplace_back(static_cast<IUpdFile*>(file.get()));
  }
  PostSurely(workerWindow_, kMsgFileStart, 0, 0);
}

// Best effort: a report the queue has no room for is made good by the next one.
void UpdaraComObject::Progress(long long position, long long total) {
  constexpr long long kMax = 0x7FFFFFFF;  // the event's numbers are 32-bit
  PostMessageA(workerWindow_, kMsgFileProgress, static_cast<WPARAM>(std::min(position, kMax)),
               static_cast<LPARAM>(std::min(total, kMax)));
}

void UpdaraComObject::FileDone(long code) { PostSurely(workerWindow_, kMsgFileDone, 0, static_cast<LPARAM>(code)); }

void UpdaraComObject::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

HRESULT UpdaraComObject::BlockingWait() {
  bool quit = false;
  WPARAM quitCode = 0;
  while (running_.load() && IsWindow(window_)) {
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG m;
    while (PeekMessageA(&m, nullptr, 1024, 1035, PM_REMOVE)) DispatchMessageA(&m);
    while (PeekMessageA(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&m);
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The host is closing: stop waiting and leave the quit for its own loop.
        quit = true;
        quitCode = m.wParam;
        cancel_ = true;
        blockingResult_ = kCancelled;
        break;
      }
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  const long code = blockingResult_.load();
  return code == kNoError ? S_OK : Fail(code);
}

// ---- the notification window ----

HRESULT UpdaraComObject::CreateNotifyWindow() {
  if (!RegisterNotifyClass(&NotifyProc)) return LastErrorResult();
  SetLastError(ERROR_SUCCESS);
  window_ = CreateWindowExA(0, kNotifyClass, kNotifyTitle, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ModuleInstance(),
                            this);
  return window_ ? S_OK : LastErrorResult();
}

void UpdaraComObject::DestroyNotifyWindow() {
  if (window_) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
  }
}

LRESULT CALLBACK UpdaraComObject::NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message >= kMsgCheckDone && message <= kMsgPrevDetected) {
    if (auto* self = reinterpret_cast<UpdaraComObject*>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
      self->OnNotify(message, wParam, lParam);
      return 0;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void UpdaraComObject::OnNotify(UINT message, WPARAM wParam, LPARAM lParam) {
  const long code = static_cast<long>(lParam);
  switch (message) {
    case kMsgCheckDone: {
      running_ = false;
      if (blockingResult_.load() != kCancelled) blockingResult_ = code;
      if (code == kNoError) ApplyGlobals();
      if (!SetState(StateNotConnected)) return;
      long newFiles = 0;
      if (code == kNoError) {
        for (const ComRef<UpdFileObject>& f : files_->Snapshot()) newFiles += f->NeedReplace() ? 1 : 0;
      }
      BSTR text = NewBstr(code == kNoError ? "" : ErrorText(code));
      VARIANT args[3];  // reversed: ErrorText, ErrorCode, NewFiles
      VariantInit(&args[0]);
      V_VT(&args[0]) = VT_BSTR;
      V_BSTR(&args[0]) = text;
      args[1] = LongArg(code);
      args[2] = LongArg(newFiles);
      Fire(EventCheckDone, args, 3);
      SysFreeString(text);
      return;
    }
    case kMsgDownloadDone:
      running_ = false;
      if (blockingResult_.load() != kCancelled) blockingResult_ = code;
      if (!SetState(StateNotConnected)) return;
      if (HoldsName()) WriteReplacementList();
      FireDone(EventDownloadDone, code);
      return;
    case kMsgUpdateDone:
      if (!SetState(StateNotConnected)) return;
      FireDone(EventUpdateDone, code);
      return;
    case kMsgFileStart: {
      ComRef<IUpdFile> file;
      {
        std::lock_guard<std::mutex> lock(currentLock_);
        if (!startedFiles_.empty()) {
          file = startedFiles_.front();
          startedFiles_.pop_front();
        }
        currentFile_ = file;
      }
      VARIANT arg;
      VariantInit(&arg);
      V_VT(&arg) = VT_DISPATCH;
      V_DISPATCH(&arg) = file.get();
      Fire(EventFileStart, &arg, 1);
      return;
    }
    case kMsgFileProgress: {
      // A burst of chunks becomes one event with the latest position. Only the reports queued
      // right behind this one count: one after a file's end belongs to the next file.
      const ProgressReport latest = CollapseProgress(
          ProgressReport{static_cast<long>(wParam), code}, [this]() -> std::optional<ProgressReport> {
            MSG m;
            if (!PeekMessageA(&m, window_, kMsgFileStart, kMsgFileDone, PM_NOREMOVE) ||
                m.message != kMsgFileProgress)
              return std::nullopt;
            PeekMessageA(&m, window_, kMsgFileStart, kMsgFileDone, PM_REMOVE);
            return ProgressReport{static_cast<long>(m.wParam), static_cast<long>(m.lParam)};
          });
      ComRef<IUpdFile> file = CurrentFile();
      VARIANT args[3];  // reversed: Total, Position, File
      args[0] = LongArg(latest.total);
      args[1] = LongArg(latest.position);
      VariantInit(&args[2]);
      V_VT(&args[2]) = VT_DISPATCH;
      V_DISPATCH(&args[2]) = file.get();
      Fire(EventFileProgress, args, 3);
      return;
    }
    case kMsgFileDone: {
      ComRef<IUpdFile> file = CurrentFile();
      BSTR text = NewBstr(code == kNoError ? "" : ErrorText(code));
      VARIANT args[3];  // reversed: ErrorText, ErrorCode, File
      VariantInit(&args[0]);
      V_VT(&args[0]) = VT_BSTR;
      V_BSTR(&args[0]) = text;
      args[1] = LongArg(code);
      VariantInit(&args[2]);
      V_VT(&args[2]) = VT_DISPATCH;
      V_DISPATCH(&args[2]) = file.get();
      const bool alive = Fire(EventFileDone, args, 3);
      SysFreeString(text);
      if (!alive) return;
      std::lock_guard<std::mutex> lock(currentLock_);
      currentFile_ = ComRef<IUpdFile>();
      return;
    }
    case kMsgPrevDetected: {
      // The name changed since the look was asked for: the later name's own look answers.
      if (wParam != nameTaken_ || !SetState(StateNotConnected)) return;
      DetectEarlierRun();
      return;
    }
    default:
      return;
  }
}

void UpdaraComObject::ApplyGlobals() {
  GlobalSettings g;
  {
    std::lock_guard<std::mutex> lock(currentLock_);
    g = std::move(checkGlobals_);
    checkGlobals_ = {};
  }
  if (g.requireAdmin) requireAdmin_ = *g.requireAdmin;
  if (g.cmdBefore) cmdBefore_ = std::move(*g.cmdBefore);
  if (g.cmdAfter) cmdAfter_ = std::move(*g.cmdAfter);
  if (g.cmdLine) cmdLine_ = std::move(*g.cmdLine);
}

// What the updater needs for the entries that have their new file; an entry whose download failed
// has no NewPath and is not listed. A file the host put there itself is copied to a download of the
// component's own first, so that the updater takes files from nowhere else.
bool UpdaraComObject::WriteReplacementList() const {
  ReplacementList list{cmdLine_, visible_, cmdBefore_, cmdAfter_, ProcessIdsToEnd(), {}};
  for (const ComRef<UpdFileObject>& f : files_->Snapshot()) {
    std::optional<ReplacementFile> listed = f->ListedFile();
    if (!listed) continue;
    if (!IsOwnDownload(listed->newPath, tempFolder_)) {
      char copy[MAX_PATH] = {};
      if (!GetTempFileNameA(tempFolder_.c_str(), "UDX", 0, copy) || !CopyFileA(listed->newPath.c_str(), copy, FALSE))
        return false;
      f->SetNewPath(copy);
      listed->newPath = copy;
    }
    list.files.push_back(std::move(*listed));
  }
  const std::string text = FormatReplacementList(list);
  HANDLE h = CreateFileA(names_.replacementList.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                     written == text.size() && FlushFileBuffers(h);
  CloseHandle(h);
  return whole;
}

// With GlobalTerminate, the processes that have an entry's file loaded.
std::vector<long> UpdaraComObject::ProcessIdsToEnd() const {
  std::vector<long> ids;
  if (!globalTerminate_) return ids;
  for (const ComRef<UpdFileObject>& f : files_->Snapshot())
    for (const RunningProcess& p : ProcessesUsing(f->Path())) ids.push_back(static_cast<long>(p.id));
  return ids;
}

std::vector<std::string> UpdaraComObject::EntryFolders() const {
  std::vector<std::string> folders;
  for (const ComRef<UpdFileObject>& f : files_->Snapshot())
    if (const std::string path = f->Path(); IsPlainFullPath(path)) folders.emplace_back(FolderOf(path));
  return folders;
}

ComRef<IUpdFile> UpdaraComObject::CurrentFile() {
  std::lock_guard<std::mutex> lock(currentLock_);
  return currentFile_;
}

bool UpdaraComObject::SetState(UpdateStates state) {
  const long old = state_.exchange(state);
  if (old == state) return true;
  VARIANT arg = LongArg(old);
  return Fire(EventStateChange, &arg, 1);
}

bool UpdaraComObject::FireDone(DISPID id, long code) {
  BSTR text = NewBstr(code == kNoError ? "" : ErrorText(code));
  VARIANT args[2];  // reversed: ErrorText, ErrorCode
  VariantInit(&args[0]);
  V_VT(&args[0]) = VT_BSTR;
  V_BSTR(&args[0]) = text;
  args[1] = LongArg(code);
  const bool alive = Fire(id, args, 2);
  SysFreeString(text);
  return alive;
}

bool UpdaraComObject::Fire(DISPID id, VARIANT* argsReversed, UINT count) {
  AddRef();  // the host may let go of the object inside its handler
  if (notify_) {
    // The notification object gets the same arguments with the component first.
    ComRef<IUpdaraNotify> notify = notify_;
    IUpdaraCom* owner = this;
    auto arg = [&](UINT fromFirst) -> VARIANT& { return argsReversed[count - 1 - fromFirst]; };
    switch (id) {
      case EventCloseApp: notify->CloseApp(owner); break;
      case EventCheckDone: notify->CheckDone(owner, V_I4(&arg(0)), V_I4(&arg(1)), V_BSTR(&arg(2))); break;
      case EventStateChange: notify->StateChange(owner, static_cast<UpdateStates>(V_I4(&arg(0)))); break;
      case EventUpdateDone: notify->UpdateDone(owner, V_I4(&arg(0)), V_BSTR(&arg(1))); break;
      case EventFileStart: notify->FileStart(owner, static_cast<IUpdFile*>(V_DISPATCH(&arg(0)))); break;
      case EventFileProgress:
        notify->FileProgress(owner, static_cast<IUpdFile*>(V_DISPATCH(&arg(0))), V_I4(&arg(1)), V_I4(&arg(2)));
        break;
      case EventFileDone: notify->FileDone(owner, static_cast<IUpdFile*>(V_DISPATCH(&arg(0))), V_I4(&arg(1)), V_BSTR(&arg(2))); break;
      case EventDownloadDone: notify->DownloadDone(owner, V_I4(&arg(0)), V_BSTR(&arg(1))); break;
      case EventPrevDetected: notify->PrevDetected(owner); break;
      default: break;
    }
  } else {
    for (const ComRef<IDispatch>& sink : events_.Sinks()) {
      DISPPARAMS params{argsReversed, nullptr, count, 0};
      sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
  }
  // Only our own reference left: the host is gone, and so is the object after this release.
  const bool hostKeepsIt = References() > 1;
  Release();
  return hostKeepsIt;
}

// ---- connection points and class information ----

HRESULT UpdaraComObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return PointEnum::Create({ComRef<IConnectionPoint>(&events_)}, out);
}

HRESULT UpdaraComObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, DIID__IUpdaraComEvents)) return CONNECT_E_NOCONNECTION;
  *out = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT UpdaraComObject::GetClassInfo(ITypeInfo** out) { return TypeInfoOf(CLSID_UpdaraCom, out); }

HRESULT UpdaraComObject::GetGUID(DWORD kind, GUID* out) {
  if (!out) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *out = DIID__IUpdaraComEvents;
  return S_OK;
}

HRESULT EventsConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}
ULONG EventsConnectionPoint::AddRef() { return owner_.AddRef(); }
ULONG EventsConnectionPoint::Release() { return owner_.Release(); }

HRESULT EventsConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID__IUpdaraComEvents;
  return S_OK;
}
HRESULT EventsConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = &owner_;
  owner_.AddRef();
  return S_OK;
}
HRESULT EventsConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  IDispatch* events = nullptr;
  if (FAILED(sink->QueryInterface(DIID__IUpdaraComEvents, reinterpret_cast<void**>(&events))) || !events)
    return CONNECT_E_CANNOTCONNECT;
  *cookie = nextCookie_++;
  sinks_[*cookie] = ComRef<IDispatch>::Adopt(events);
  return S_OK;
}
HRESULT EventsConnectionPoint::Unadvise(DWORD cookie) {
  return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}
HRESULT EventsConnectionPoint::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  std::vector<Connection> connections;
  for (const auto& [cookie, sink] : sinks_) connections.push_back({sink, cookie});
  return ConnectionEnum::Create(std::move(connections), out);
}
std::vector<ComRef<IDispatch>> EventsConnectionPoint::Sinks() const {
  std::vector<ComRef<IDispatch>> out;
  for (const auto& [cookie, sink] : sinks_) out.push_back(sink);
  return out;
}

// ---- the system facts ----

bool ProcessIsAdmin() {
  // The classic test: may a token with this process's groups read an object that only the
  // Administrators group may read?
  if (!ImpersonateSelf(SecurityImpersonation)) return false;
  HANDLE token = nullptr;
  const BOOL opened = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token);
  RevertToSelf();
  if (!opened) return false;
  bool admin = false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                               &admins)) {
    constexpr DWORD kRead = 1, kWrite = 2;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(admins) - sizeof(DWORD);
    std::vector<BYTE> aclBytes(aclSize);
    auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
    SECURITY_DESCRIPTOR sd{};
    if (InitializeAcl(acl, aclSize, ACL_REVISION2) && AddAccessAllowedAce(acl, ACL_REVISION2, kRead | kWrite, admins) &&
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE)) {
      SetSecurityDescriptorGroup(&sd, admins, FALSE);
      SetSecurityDescriptorOwner(&sd, admins, FALSE);
      GENERIC_MAPPING mapping{kRead, kWrite, 0, kRead | kWrite};
      PRIVILEGE_SET privileges{};
      DWORD privilegesSize = sizeof privileges, granted = 0;
      BOOL status = FALSE;
      if (AccessCheck(&sd, token, kRead, &mapping, &privileges, &privilegesSize, &granted, &status))
        admin = status != FALSE;
    }
    FreeSid(admins);
  }
  CloseHandle(token);
  return admin;
}

std::string RealWinVersion() {
  // GetVersionEx answers what the host's manifest declares; the kernel's own call tells the truth
  // to any host.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return {};
  BSTR sp = SysAllocString(info.szCSDVersion);
  const std::string servicePack = AnsiText(sp);
  SysFreeString(sp);
  return FormatWinVersion(info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId, info.dwBuildNumber,
                          servicePack);
}

}  // namespace updara
