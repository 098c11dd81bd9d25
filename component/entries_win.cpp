#include "component/entries_win.h"

#include <climits>

#include "common/updara_errors.h"
#include "component/digest_win.h"
#include "component/local_machine_win.h"
#include "component/processes_win.h"
#include "component/updara_text.h"

namespace updara {
namespace {

using Guard = std::lock_guard<std::mutex>;

// Count is 16-bit in the interface; a collection never grows past what it can report.
constexpr size_t kMaxItems = SHRT_MAX;

void CopyItem(const ComRef<IDispatch>& item, VARIANT& out) {
  VariantInit(&out);
  V_VT(&out) = VT_DISPATCH;
  item.CopyTo(&V_DISPATCH(&out));
}
using VariantEnum = SnapshotEnum<IEnumVARIANT, &IID_IEnumVARIANT, VARIANT, ComRef<IDispatch>, &CopyItem>;

// For Each over a collection: an enumerator of the items as they are now.
template <typename T>
HRESULT NewItemEnum(const std::vector<ComRef<T>>& items, IUnknown** out) {
  if (!out) return E_POINTER;
  std::vector<ComRef<IDispatch>> snapshot;
  snapshot.reserve(items.size());
  for (const ComRef<T>& item : items) snapshot.emplace_back(static_cast<IDispatch*>(item.get()));
  IEnumVARIANT* e = nullptr;
  const HRESULT hr = VariantEnum::Create(std::move(snapshot), &e);
  *out = e;
  return hr;
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId) {
  DWORD owner = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId)) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostThreadMessageA(thread, WM_QUIT, 0, 0);
  }
  return TRUE;
}

template <typename Object, typename Itf>
HRESULT CreateAs(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComRef<Object> object = Object::Create();
  return object->QueryInterface(iid, out);
}

template <typename T, typename Itf>
HRESULT ItemAt(std::mutex& lock, const std::vector<ComRef<T>>& items, long index, Itf** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Guard g(lock);
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return E_INVALIDARG;
  return items[static_cast<size_t>(index)].CopyTo(out);
}

template <typename T>
HRESULT CountOf(std::mutex& lock, const std::vector<ComRef<T>>& items, short* out) {
  if (!out) return E_POINTER;
  Guard g(lock);
  *out = static_cast<short>(items.size());
  return S_OK;
}

}  // namespace

// ---- UpdFile ----

ComRef<UpdFileObject> UpdFileObject::Create() { return ComRef<UpdFileObject>::Adopt(new UpdFileObject()); }

HRESULT UpdFileObject::GetText(const std::string& field, BSTR* out) const {
  Guard g(lock_);
  return ReturnText(field, out);
}
HRESULT UpdFileObject::SetText(std::string& field, BSTR value) {
  std::string text = AnsiText(value);
  Guard g(lock_);
  field = std::move(text);
  return S_OK;
}
HRESULT UpdFileObject::GetBool(const bool& field, VARIANT_BOOL* out) const {
  if (!out) return E_POINTER;
  Guard g(lock_);
  *out = field ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT UpdFileObject::SetBool(bool& field, VARIANT_BOOL value) {
  Guard g(lock_);
  field = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT UpdFileObject::GetDate(const DATE& field, DATE* out) const {
  if (!out) return E_POINTER;
  Guard g(lock_);
  if (field == 0) return ReportError(kDateNotSet, IID_IUpdFile);
  *out = field;
  return S_OK;
}
HRESULT UpdFileObject::SetDate(DATE& field, DATE value) {
  Guard g(lock_);
  field = value;
  return S_OK;
}
HRESULT UpdFileObject::get_Size(long* v) {
  if (!v) return E_POINTER;
  Guard g(lock_);
  *v = size_;
  return S_OK;
}
HRESULT UpdFileObject::put_Size(long v) {
  Guard g(lock_);
  size_ = v;
  return S_OK;
}

HRESULT UpdFileObject::VersionInt(const std::string& field, short index, long* out) const {
  if (!out) return E_POINTER;
  std::vector<long> numbers;
  {
    Guard g(lock_);
    if (field.empty()) return E_FAIL;
    numbers = VersionNumbers(field);
  }
  if (index < 0 || static_cast<size_t>(index) >= numbers.size()) return E_INVALIDARG;
  *out = numbers[static_cast<size_t>(index)];
  return S_OK;
}

std::string UpdFileObject::LocalPath() const {
  Guard g(lock_);
  return path_;
}

HRESULT UpdFileObject::LocalFileTime(bool lastWrite, DATE* out) const {
  if (!out) return E_POINTER;
  *out = 0;  // no local file: not set
  const std::string path = LocalPath();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return S_OK;
  *out = LocalDateOf(lastWrite ? data.ftLastWriteTime : data.ftCreationTime).value_or(0);
  return S_OK;
}

HRESULT UpdFileObject::get_MD5(BSTR* v) {
  const std::string path = LocalPath();
  return ReturnText(path.empty() ? std::string() : FileMd5(path), v);
}

HRESULT UpdFileObject::get_Processes(IUpdProcesses** v) {
  if (!v) return E_POINTER;
  *v = nullptr;
  ComRef<UpdProcessesObject> list = UpdProcessesObject::Create();
  const std::string path = LocalPath();
  if (!path.empty()) {
    for (const RunningProcess& p : ProcessesUsing(path)) {
      ComRef<UpdProcessObject> process = UpdProcessObject::Create();
      process->Fill(p.mainModule, p.exeName, static_cast<long>(p.id));
      list->Append(std::move(process));
    }
  }
  return list.CopyTo(v);
}

ComRef<UpdFileObject> UpdFileObject::FromEntry(const FileEntry& entry, const CompletedEntry& local) {
  ComRef<UpdFileObject> f = Create();
  f->name_ = entry.name;
  f->myVersion_ = local.myVersion;
  f->newVersion_ = entry.newVersion;
  f->url_ = entry.url;
  f->needReplace_ = local.needReplace;
  f->path_ = local.path;
  f->size_ = entry.size;
  f->newDate_ = entry.newDate;
  f->newModificationDate_ = entry.newModificationDate;
  f->newMd5_ = entry.newMd5;
  f->newSha256_ = entry.newSha256;
  f->register_ = entry.registerServer;
  f->compressed_ = entry.compressed;
  f->pathGiven_ = entry.pathGiven;
  return f;
}

std::string UpdFileObject::Name() const {
  Guard g(lock_);
  return name_;
}
std::string UpdFileObject::NewPath() const {
  Guard g(lock_);
  return newPath_;
}
void UpdFileObject::SetNewPath(std::string path) {
  Guard g(lock_);
  newPath_ = std::move(path);
}
std::string UpdFileObject::Path() const { return LocalPath(); }
bool UpdFileObject::PathGiven() const {
  Guard g(lock_);
  return pathGiven_;
}
UpdFileObject::Download UpdFileObject::DownloadRequest() const {
  Guard g(lock_);
  return {url_, newMd5_, newSha256_, size_, compressed_};
}
std::optional<ReplacementFile> UpdFileObject::ListedFile() const {
  Guard g(lock_);
  if (newPath_.empty()) return std::nullopt;
  return ReplacementFile{register_, newPath_, path_, UtcFileTimeOf(newDate_), UtcFileTimeOf(newModificationDate_)};
}
bool UpdFileObject::NeedReplace() const {
  Guard g(lock_);
  return needReplace_;
}

// ---- UpdFiles ----

ComRef<UpdFilesObject> UpdFilesObject::Create() { return ComRef<UpdFilesObject>::Adopt(new UpdFilesObject()); }

HRESULT UpdFilesObject::get_Item(VARIANT index, IUpdFile** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const VARIANT* v = nullptr;
  if (HRESULT hr = ArgumentValue(index, v); FAILED(hr)) return hr;
  if (V_VT(v) == VT_BSTR || V_VT(v) == (VT_BSTR | VT_BYREF)) {
    const std::string name = AnsiText(V_VT(v) == VT_BSTR ? V_BSTR(v) : *V_BSTRREF(v));
    Guard g(lock_);
    // File names as Windows compares them.
    for (const ComRef<UpdFileObject>& f : items_) {
      if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, f->Name().c_str(), -1, name.c_str(), -1) == CSTR_EQUAL)
        return f.CopyTo(out);
    }
    return E_INVALIDARG;
  }
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(v), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
  return ItemAt(lock_, items_, V_I4(&number), out);
}

HRESULT UpdFilesObject::get_Count(short* out) { return CountOf(lock_, items_, out); }

HRESULT UpdFilesObject::Add(BSTR name, IUpdFile** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComRef<UpdFileObject> file = UpdFileObject::Create();
  file->put_Name(name);
  file->put_NeedReplace(VARIANT_TRUE);
  if (!Append(file)) return DISP_E_OVERFLOW;
  return file.CopyTo(out);
}

bool UpdFilesObject::Append(ComRef<UpdFileObject> file) {
  Guard g(lock_);
  if (items_.size() >= kMaxItems) return false;
  items_.push_back(std::move(file));
  return true;
}

HRESULT UpdFilesObject::get__NewEnum(IUnknown** out) {
  return NewItemEnum(Snapshot(), out);
}

std::vector<ComRef<UpdFileObject>> UpdFilesObject::Snapshot() const {
  Guard g(lock_);
  return items_;
}

// ---- UpdMessage(s) ----

ComRef<UpdMessageObject> UpdMessageObject::Create() {
  return ComRef<UpdMessageObject>::Adopt(new UpdMessageObject());
}
ComRef<UpdMessageObject> UpdMessageObject::FromEntry(const MessageEntry& entry) {
  ComRef<UpdMessageObject> m = Create();
  m->id_ = entry.id;
  m->caption_ = entry.caption;
  m->text_ = entry.text;
  return m;
}
HRESULT UpdMessageObject::get_Text(BSTR* v) { Guard g(lock_); return ReturnText(text_, v); }
HRESULT UpdMessageObject::put_Text(BSTR v) { std::string t = AnsiText(v); Guard g(lock_); text_ = std::move(t); return S_OK; }
HRESULT UpdMessageObject::get_ID(long* v) { if (!v) return E_POINTER; Guard g(lock_); *v = id_; return S_OK; }
HRESULT UpdMessageObject::put_ID(long v) { Guard g(lock_); id_ = v; return S_OK; }
HRESULT UpdMessageObject::get_Caption(BSTR* v) { Guard g(lock_); return ReturnText(caption_, v); }
HRESULT UpdMessageObject::put_Caption(BSTR v) { std::string t = AnsiText(v); Guard g(lock_); caption_ = std::move(t); return S_OK; }


// ---- UpdProcess(es) ----

ComRef<UpdProcessObject> UpdProcessObject::Create() {
  return ComRef<UpdProcessObject>::Adopt(new UpdProcessObject());
}
void UpdProcessObject::Fill(std::string filename, std::string exeName, long id) {
  Guard g(lock_);
  filename_ = std::move(filename);
  exeName_ = std::move(exeName);
  id_ = id;
}
HRESULT UpdProcessObject::get_Filename(BSTR* v) { Guard g(lock_); return ReturnText(filename_, v); }
HRESULT UpdProcessObject::put_Filename(BSTR v) { std::string t = AnsiText(v); Guard g(lock_); filename_ = std::move(t); return S_OK; }
HRESULT UpdProcessObject::get_ID(long* v) { if (!v) return E_POINTER; Guard g(lock_); *v = id_; return S_OK; }
HRESULT UpdProcessObject::put_ID(long v) { Guard g(lock_); id_ = v; return S_OK; }
HRESULT UpdProcessObject::get_ExeName(BSTR* v) { Guard g(lock_); return ReturnText(exeName_, v); }
HRESULT UpdProcessObject::put_ExeName(BSTR v) { std::string t = AnsiText(v); Guard g(lock_); exeName_ = std::move(t); return S_OK; }

HRESULT UpdProcessObject::Terminate() {
  long id;
  {
    Guard g(lock_);
    id = id_;
  }
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, static_cast<DWORD>(id));
  if (!process) return S_OK;  // gone already, or not ours to end
  TerminateProcess(process, static_cast<UINT>(-1));
  CloseHandle(process);
  return S_OK;
}

HRESULT UpdProcessObject::Close() {
  DWORD id;
  {
    Guard g(lock_);
    id = static_cast<DWORD>(id_);
  }
  // Every top-level window of the process is asked to close, and its thread to quit.
  EnumWindows(&CloseWindowOf, static_cast<LPARAM>(id));
  return S_OK;
}

// ---- The filled lists ----

template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
ComRef<ItemList<Itf, Iid, ItemItf, Item>> ItemList<Itf, Iid, ItemItf, Item>::Create() {
  return ComRef<ItemList>::Adopt(new ItemList());
}
template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
HRESULT ItemList<Itf, Iid, ItemItf, Item>::get_Count(short* out) { return CountOf(lock_, items_, out); }
template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
HRESULT ItemList<Itf, Iid, ItemItf, Item>::get_Item(short index, ItemItf** out) {
  return ItemAt(lock_, items_, index, out);
}
template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
HRESULT ItemList<Itf, Iid, ItemItf, Item>::get__NewEnum(IUnknown** out) {
  Guard g(lock_);
  return NewItemEnum(items_, out);
}
template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
void ItemList<Itf, Iid, ItemItf, Item>::Append(ComRef<Item> item) {
  Guard g(lock_);
  if (items_.size() < kMaxItems) items_.push_back(std::move(item));
}
template class ItemList<IUpdMessages, &IID_IUpdMessages, IUpdMessage, UpdMessageObject>;
template class ItemList<IUpdProcesses, &IID_IUpdProcesses, IUpdProcess, UpdProcessObject>;

HRESULT CreateUpdFiles(REFIID iid, void** out) { return CreateAs<UpdFilesObject, IUpdFiles>(iid, out); }
HRESULT CreateUpdFile(REFIID iid, void** out) { return CreateAs<UpdFileObject, IUpdFile>(iid, out); }
HRESULT CreateUpdMessages(REFIID iid, void** out) { return CreateAs<UpdMessagesObject, IUpdMessages>(iid, out); }
HRESULT CreateUpdMessage(REFIID iid, void** out) { return CreateAs<UpdMessageObject, IUpdMessage>(iid, out); }
HRESULT CreateUpdProcesses(REFIID iid, void** out) { return CreateAs<UpdProcessesObject, IUpdProcesses>(iid, out); }
HRESULT CreateUpdProcess(REFIID iid, void** out) { return CreateAs<UpdProcessObject, IUpdProcess>(iid, out); }

}  // namespace updara
