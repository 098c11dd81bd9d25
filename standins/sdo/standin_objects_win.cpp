#include "standins/sdo/standin_objects_win.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "standins/sdo/standin_data.h"
#include "standins/sdo/standin_dispatch_win.h"

namespace sdo_standin {

// {DE4DA901-EEF8-11D0-9E5F-008048AADD4E}
const IID kEngineInterface = {0xDE4DA901, 0xEEF8, 0x11D0, {0x9E, 0x5F, 0x00, 0x80, 0x48, 0xAA, 0xDD, 0x4E}};

namespace {

// The engine's own error numbers besides the ones a data file chooses.
enum : long {
  kNoData = 1,
  kMalformedData = 2,
  kNoCurrentRecord = 3,
  kUnknownField = 4,
  kNotEditing = 5,
  kCannotStore = 6,
  kWriteFailed = 7,
  kNotConnected = 8,
  kUnknownClass = 9,
  kBadLogin = 22,
};

struct EngineState {
  long lastCode = 0;
  std::string lastText;
};

struct Session {
  std::shared_ptr<EngineState> engine;
  bool ui = true;  // the engine would show its own log-in window until told otherwise
  bool connected = false;
  std::string folder;  // as Connect was given it
  std::string dataFile;
  Data data;
};

std::string InFolder(const std::string& folder, const char* name) {
  return folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

bool ReadFileText(const std::string& path, std::string& text) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart < (16 << 20);
  if (ok) {
    text.assign(size_t(size.QuadPart), '\0');
    DWORD got = 0;
    ok = text.empty() || (::ReadFile(h, text.data(), DWORD(text.size()), &got, nullptr) && got == text.size());
  }
  CloseHandle(h);
  return ok;
}

bool WriteWhole(const std::string& path, const std::string& text, DWORD disposition, bool append) {
  HANDLE h = CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  bool ok = text.empty() || (::WriteFile(h, text.data(), DWORD(text.size()), &wrote, nullptr) && wrote == text.size());
  ok = FlushFileBuffers(h) && ok;
  CloseHandle(h);
  return ok;
}

// The whole file is written beside the old one and then put in its place, so an interrupted
// write leaves the old file whole.
bool ReplaceFileText(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  if (!WriteWhole(temporary, text, CREATE_ALWAYS, false)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

// ---- the error object

class ErrorObject : public DispatchBase {
 public:
  explicit ErrorObject(const EngineState& state) : code_(state.lastCode), text_(state.lastText) {}

 protected:
  enum : DISPID { kCode = 1, kText = 2 };
  const Member* Members(size_t& count) const override {
    static const Member members[] = {{L"Code", kCode}, {L"Text", kText}};
    count = 2;
    return members;
  }
  HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure&, UINT&) override {
    if (!IsGet(flags) || args.Count() != 0)
      return id == kCode || id == kText ? DISP_E_BADPARAMCOUNT : DISP_E_MEMBERNOTFOUND;
    if (id == kCode) {
      ReturnLong(result, code_);
      return S_OK;
    }
    if (id == kText) return ReturnText(result, text_);
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  long code_;
  std::string text_;
};

// Failures of the objects below go into the engine's LastError as well.
class EngineObject : public DispatchBase {
 public:
  explicit EngineObject(std::shared_ptr<EngineState> state) : state_(std::move(state)) {}

 protected:
  void Raised(const Failure& failure) override {
    state_->lastCode = failure.code;
    state_->lastText = failure.text;
  }
  std::shared_ptr<EngineState> state_;
};

// ---- record objects

class RecordObject : public EngineObject {
 public:
  RecordObject(std::shared_ptr<Session> session, std::string className)
      : EngineObject(session->engine), session_(std::move(session)), class_(std::move(className)) {
    rows_ = RecordsOf(session_->data, class_);
    pending_.resize(FieldsOf(class_)->size());
  }

 protected:
  enum : DISPID { kCount = 1, kMoveFirst, kMoveNext, kEdit, kUpdate };
  const Member* Members(size_t& count) const override {
    static const Member members[] = {{L"Count", kCount}, {L"MoveFirst", kMoveFirst}, {L"MoveNext", kMoveNext},
                                     {L"Edit", kEdit},   {L"Update", kUpdate},       {L"Fields", DISPID_VALUE}};
    count = 6;
    return members;
  }

  HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure& failure, UINT& argErr) override {
    if (id == DISPID_VALUE) return FieldMember(flags, args, result, failure, argErr);
    if (id < kCount || id > kUpdate) return DISP_E_MEMBERNOTFOUND;
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
    if (!session_->connected) return Raise(failure, kNotConnected, "The workspace is not connected");
    switch (id) {
      case kCount:
        ReturnLong(result, long(rows_.size()));
        return S_OK;
      case kMoveFirst:
      case kMoveNext:
        if (session_->data.latencyMs) Sleep(DWORD(session_->data.latencyMs));
        if (id == kMoveFirst)
          position_ = 0;
        else if (position_ < rows_.size())
          ++position_;
        CancelEdit();
        ReturnBool(result, position_ < rows_.size());
        return S_OK;
      case kEdit:
        editing_ = !session_->data.refuseEdit && position_ < rows_.size();
        ReturnBool(result, editing_);
        return S_OK;
      case kUpdate:
        return Update(result, failure);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  // The default member: record(field) reads a field of the current record, record(field) = v
  // sets it while the record is being edited.
  HRESULT FieldMember(WORD flags, const Args& args, VARIANT& result, Failure& failure, UINT& argErr) {
    std::string name;
    if (HRESULT hr = args.OneText(name, argErr); FAILED(hr)) return hr;
    if (!session_->connected) return Raise(failure, kNotConnected, "The workspace is not connected");
    const int field = FieldIndex(class_, name);
    if (field < 0) return Raise(failure, kUnknownField, class_ + " has no field " + name);
    if (position_ >= rows_.size()) return Raise(failure, kNoCurrentRecord, "There is no current record");
    if (args.IsPut()) {
      std::string value;
      if (!args.PutText(value)) return DISP_E_TYPEMISMATCH;
      if (!editing_) return Raise(failure, kNotEditing, "The record is not being edited");
      if (!StorableValue(value)) return Raise(failure, kCannotStore, "The value of " + name + " cannot be stored");
      pending_[size_t(field)] = value;
      return S_OK;
    }
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    const auto& pending = pending_[size_t(field)];
    return ReturnText(result, pending ? *pending : session_->data.records[rows_[position_]].values[size_t(field)]);
  }

  HRESULT Update(VARIANT& result, Failure& failure) {
    if (!editing_ || position_ >= rows_.size()) return Raise(failure, kNotEditing, "The record is not being edited");
    Data changed = session_->data;
    Record& record = changed.records[rows_[position_]];
    for (size_t i = 0; i < pending_.size(); ++i)
      if (pending_[i]) record.values[i] = *pending_[i];
    std::string text, error;
    if (!BuildData(changed, text, error)) return Raise(failure, kCannotStore, error);
    if (!ReplaceFileText(session_->dataFile, text))
      return Raise(failure, kWriteFailed, "Cannot write " + session_->dataFile);
    LogUpdate(session_->data.records[rows_[position_]], record);
    session_->data = std::move(changed);
    CancelEdit();
    ReturnBool(result, true);
    return S_OK;
  }

  // One line per field stored, with its value before and after.
  void LogUpdate(const Record& before, const Record& after) const {
    const std::vector<std::string>& fields = *FieldsOf(class_);
    std::string lines;
    for (size_t i = 0; i < pending_.size(); ++i)
      if (pending_[i])
        lines += "update|" + class_ + "|" + std::to_string(position_ + 1) + "|" + fields[i] + "|" + before.values[i] +
                 "|" + after.values[i] + "\r\n";
    WriteWhole(InFolder(session_->folder, kUpdateLogName), lines, OPEN_ALWAYS, true);
  }

  void CancelEdit() {
    editing_ = false;
    for (auto& p : pending_) p.reset();
  }

  std::shared_ptr<Session> session_;
  std::string class_;
  std::vector<size_t> rows_;  // this class's records in the session's data
  size_t position_ = 0;       // a new object stands on the first record
  bool editing_ = false;
  std::vector<std::optional<std::string>> pending_;
};

// ---- workspaces

class WorkspaceObject : public EngineObject {
 public:
  explicit WorkspaceObject(std::shared_ptr<EngineState> state)
      : EngineObject(state), session_(std::make_shared<Session>()) {
    session_->engine = std::move(state);
  }

 protected:
  enum : DISPID { kUI = 1, kConnect, kCreateObject, kDisconnect };
  const Member* Members(size_t& count) const override {
    static const Member members[] = {
        {L"UI", kUI}, {L"Connect", kConnect}, {L"CreateObject", kCreateObject}, {L"Disconnect", kDisconnect}};
    count = 4;
    return members;
  }

  HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure& failure, UINT& argErr) override {
    switch (id) {
      case kUI:
        if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
        if (args.IsPut()) return args.PutBool(session_->ui) ? S_OK : DISP_E_TYPEMISMATCH;
        ReturnBool(result, session_->ui);
        return S_OK;
      case kConnect:
        if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
        return Connect(args, failure, argErr);
      case kCreateObject: {
        if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
        std::string name;
        if (HRESULT hr = args.OneText(name, argErr); FAILED(hr)) return hr;
        if (!session_->connected) return Raise(failure, kNotConnected, "The workspace is not connected");
        std::string exact;
        for (const char* known : {"SalesRecord", "NominalRecord", "SplitData"})
          if (SameNameNoCase(name, known)) exact = known;
        if (exact.empty()) return Raise(failure, kUnknownClass, "Unknown object class " + name);
        ReturnObject(result, new RecordObject(session_, exact));
        return S_OK;
      }
      case kDisconnect:
        if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
        if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
        session_->connected = false;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  // Connect(folder, user, password, connection name). Every attempt is first written to the
  // folder's log as the engine received it: folder text exactly, user, connection name, whether
  // user and password came by reference, and the UI setting.
  HRESULT Connect(const Args& args, Failure& failure, UINT& argErr) {
    if (args.Count() != 4) return DISP_E_BADPARAMCOUNT;
    std::string text[4];
    for (UINT i = 0; i < 4; ++i)
      if (!args.Text(i, text[i])) {
        argErr = args.RawIndex(i);
        return DISP_E_TYPEMISMATCH;
      }
    const std::string& folder = text[0];
    const std::string& user = text[1];
    const std::string& password = text[2];
    session_->connected = false;
    state_->lastCode = 0;
    state_->lastText.clear();
    const bool byRef = args.IsByRef(1) && args.IsByRef(2);
    WriteWhole(InFolder(folder, kConnectLogName),
               "connect|" + folder + "|" + user + "|" + text[3] + "|byref=" + (byRef ? "yes" : "no") +
                   "|ui=" + (session_->ui ? "true" : "false") + "\r\n",
               OPEN_ALWAYS, true);

    const std::string file = InFolder(folder, kDataFileName);
    std::string content, error;
    Data data;
    if (!ReadFileText(file, content)) return Raise(failure, kNoData, "Cannot open the data in " + folder);
    if (!ParseData(content, data, error))
      return Raise(failure, kMalformedData, "Malformed data file " + file + ", " + error);
    if (data.connectFails) return Raise(failure, data.connectErrorCode, data.connectErrorText);
    bool known = false;
    for (const User& u : data.users)
      if (SameNameNoCase(u.name, user) && u.password == password) known = true;
    if (!known) return Raise(failure, kBadLogin, "Invalid user name or password");
    session_->folder = folder;
    session_->dataFile = file;
    session_->data = std::move(data);
    session_->connected = true;
    return S_OK;
  }

  std::shared_ptr<Session> session_;
};

class WorkspacesObject : public EngineObject {
 public:
  using EngineObject::EngineObject;

 protected:
  enum : DISPID { kAdd = 1 };
  const Member* Members(size_t& count) const override {
    static const Member members[] = {{L"Add", kAdd}};
    count = 1;
    return members;
  }
  HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure&, UINT& argErr) override {
    if (id != kAdd || !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    std::string name;
    if (HRESULT hr = args.OneText(name, argErr); FAILED(hr)) return hr;
    ReturnObject(result, new WorkspaceObject(state_));
    return S_OK;
  }
};

class Engine : public EngineObject {
 public:
  Engine() : EngineObject(std::make_shared<EngineState>()) {}

 protected:
  enum : DISPID { kWorkspaces = 1, kLastError };
  const Member* Members(size_t& count) const override {
    static const Member members[] = {{L"Workspaces", kWorkspaces}, {L"LastError", kLastError}};
    count = 2;
    return members;
  }
  bool AlsoAnswers(REFIID riid) const override { return IsEqualIID(riid, kEngineInterface); }
  HRESULT Call(DISPID id, WORD flags, const Args& args, VARIANT& result, Failure&, UINT&) override {
    if ((id != kWorkspaces && id != kLastError) || !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
    if (id == kWorkspaces)
      ReturnObject(result, new WorkspacesObject(state_));
    else
      ReturnObject(result, new ErrorObject(*state_));
    return S_OK;
  }
};

}  // namespace

IDispatch* NewEngine() { return new Engine(); }


}  // namespace sdo_standin
