#include "app/updates/update_component_win.h"

#include <ocidl.h>
#include <olectl.h>

#include "common/com_text_win.h"

namespace lw {

namespace {

// A missing optional argument, as automation passes one.
VARIANT MissingArgument() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

// Argument i of an event, counted from the first as the event declares them (they arrive last
// first). A number or text of another type is converted; anything unusable reads as 0 or "".
long LongArgument(const DISPPARAMS& params, UINT i) {
  if (i >= params.cArgs) return 0;
  VARIANT number;
  VariantInit(&number);
  if (FAILED(VariantChangeType(&number, &params.rgvarg[params.cArgs - 1 - i], 0, VT_I4))) return 0;
  return V_I4(&number);
}

std::string TextArgument(const DISPPARAMS& params, UINT i) {
  if (i >= params.cArgs) return {};
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &params.rgvarg[params.cArgs - 1 - i], 0, VT_BSTR))) return {};
  std::string out = AnsiText(V_BSTR(&text));
  VariantClear(&text);
  return out;
}

std::string Text(IUpdFile& file, HRESULT (STDMETHODCALLTYPE IUpdFile::*get)(BSTR*)) {
  BSTR b = nullptr;
  std::string out = SUCCEEDED((file.*get)(&b)) ? AnsiText(b) : std::string();
  SysFreeString(b);
  return out;
}

void PutText(IUpdFile& file, HRESULT (STDMETHODCALLTYPE IUpdFile::*put)(BSTR), const std::string& value) {
  if (BSTR b = NewBstr(value)) {
    (file.*put)(b);
    SysFreeString(b);
  }
}

}  // namespace

// The sink the component calls: a dispatch object of the events interface that hands each event
// to its handler. Released by the component and by UpdateComponent; Detach makes it deaf first,
// so an event that is already on its way finds no handler.
class UpdaraEventSink final : public IDispatch {
 public:
  explicit UpdaraEventSink(UpdateComponent::Events events) : events_(std::move(events)) {}
  void Detach() { events_ = {}; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, __uuidof(_IUpdaraComEvents))) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) VariantInit(result);
    static DISPPARAMS none{nullptr, nullptr, 0, 0};
    const DISPPARAMS& p = params ? *params : none;
    // The handler may let go of the component and of this sink: it runs from a copy, and the
    // object is kept alive until it returns.
    AddRef();
    try {
      switch (id) {
        case EventCloseApp:
          if (auto h = events_.CloseApp) h();
          break;
        case EventCheckDone:
          if (auto h = events_.CheckDone) h(LongArgument(p, 0), LongArgument(p, 1), TextArgument(p, 2));
          break;
        case EventUpdateDone:
          if (auto h = events_.UpdateDone) h(LongArgument(p, 0), TextArgument(p, 1));
          break;
        case EventDownloadDone:
          if (auto h = events_.DownloadDone) h(LongArgument(p, 0), TextArgument(p, 1));
          break;
        case EventPrevDetected:
          if (auto h = events_.PrevDetected) h();
          break;
        default:  // state changes and file progress: nothing to do
          break;
      }
    } catch (...) {
      // Nothing may unwind into the component; the handlers report what they can themselves.
    }
    Release();
    return S_OK;
  }

 private:
  ~UpdaraEventSink() = default;
  UpdateComponent::Events events_;
  LONG refs_ = 1;
};

bool UpdateComponent::Create(Events events) {
  Release();
  failure_.clear();
  ComRef<IUpdaraCom> object;
  HRESULT hr = CoCreateInstance(__uuidof(UpdaraCom), nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUpdaraCom),
                                reinterpret_cast<void**>(object.put()));
  ComRef<IConnectionPointContainer> container;
  if (SUCCEEDED(hr))
    hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()));
  ComRef<IConnectionPoint> point;
  if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(__uuidof(_IUpdaraComEvents), point.put());
  UpdaraEventSink* sink = nullptr;
  DWORD cookie = 0;
  if (SUCCEEDED(hr)) {
    sink = new UpdaraEventSink(std::move(events));
    hr = point->Advise(sink, &cookie);
  }
  if (FAILED(hr) || !object) {
    if (sink) sink->Release();
    failure_ = HresultText(FAILED(hr) ? hr : E_NOINTERFACE);
    return false;
  }
  object_ = object;
  sink_ = sink;
  cookie_ = cookie;
  return true;
}

void UpdateComponent::Release() {
  if (sink_) {
    sink_->Detach();
    ComRef<IConnectionPointContainer> container;
    ComRef<IConnectionPoint> point;
    if (object_ && cookie_ &&
        SUCCEEDED(object_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.put()))) &&
        SUCCEEDED(container->FindConnectionPoint(__uuidof(_IUpdaraComEvents), point.put())))
      point->Unadvise(cookie_);
    sink_->Release();
    sink_ = nullptr;
  }
  cookie_ = 0;
  object_.Reset();
}

HRESULT UpdateComponent::SetRequireAdmin(bool value) {
  return object_ ? object_->put_RequireAdmin(value ? VARIANT_TRUE : VARIANT_FALSE) : E_POINTER;
}

HRESULT UpdateComponent::SetVisible(bool value) {
  return object_ ? object_->put_Visible(value ? VARIANT_TRUE : VARIANT_FALSE) : E_POINTER;
}

HRESULT UpdateComponent::SetBlocking(bool value) {
  return object_ ? object_->put_Blocking(value ? VARIANT_TRUE : VARIANT_FALSE) : E_POINTER;
}

HRESULT UpdateComponent::Check(const std::string& url) {
  if (!object_) return E_POINTER;
  VARIANT address;
  VariantInit(&address);
  V_VT(&address) = VT_BSTR;
  V_BSTR(&address) = NewBstr(url);
  if (!V_BSTR(&address)) return E_OUTOFMEMORY;
  // The object may be let go of by a handler the call fires; it stays alive for the call.
  ComRef<IUpdaraCom> object = object_;
  const HRESULT hr = object->Check(address, MissingArgument());
  VariantClear(&address);
  return hr;
}

HRESULT UpdateComponent::Download() {
  ComRef<IUpdaraCom> object = object_;
  return object ? object->Download() : E_POINTER;
}

HRESULT UpdateComponent::Update() {
  ComRef<IUpdaraCom> object = object_;
  return object ? object->Update() : E_POINTER;
}

HRESULT UpdateComponent::Clear() {
  ComRef<IUpdaraCom> object = object_;
  return object ? object->Clear() : E_POINTER;
}

std::vector<ComRef<IUpdFile>> UpdateComponent::Files() const {
  std::vector<ComRef<IUpdFile>> out;
  ComRef<IUpdFiles> files;
  short count = 0;
  if (!object_ || FAILED(object_->get_Files(files.put())) || !files || FAILED(files->get_Count(&count))) return out;
  for (short i = 0; i < count; ++i) {
    VARIANT index;
    VariantInit(&index);
    V_VT(&index) = VT_I4;
    V_I4(&index) = i;
    ComRef<IUpdFile> file;
    if (SUCCEEDED(files->get_Item(index, file.put())) && file) out.push_back(file);
  }
  return out;
}

UpdateEntry ReadEntry(IUpdFile& file) {
  UpdateEntry e;
  e.name = Text(file, &IUpdFile::get_Name);
  e.myVersion = Text(file, &IUpdFile::get_MyVersion);
  e.newVersion = Text(file, &IUpdFile::get_NewVersion);
  e.path = Text(file, &IUpdFile::get_Path);
  VARIANT_BOOL need = VARIANT_FALSE;
  e.needReplace = SUCCEEDED(file.get_NeedReplace(&need)) && need != VARIANT_FALSE;
  long size = 0;
  if (SUCCEEDED(file.get_Size(&size))) e.size = size;
  // A date the server did not give is refused by the component: no stamp then.
  DATE date = 0;
  SYSTEMTIME t{};
  if (SUCCEEDED(file.get_NewDate(&date)) && date != 0 && VariantTimeToSystemTime(date, &t))
    e.newStamp = StampText({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
  return e;
}

void WriteEntry(IUpdFile& file, const UpdateEntry& before, const EntryReview& review) {
  if (review.myVersion != before.myVersion) PutText(file, &IUpdFile::put_MyVersion, review.myVersion);
  if (review.needReplace != before.needReplace) file.put_NeedReplace(review.needReplace ? VARIANT_TRUE : VARIANT_FALSE);
  if (review.path != before.path) PutText(file, &IUpdFile::put_Path, review.path);
}

}  // namespace lw
