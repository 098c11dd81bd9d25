// The collections the component fills (files, messages, processes) and their entries. Workers fill
// them while the host reads them, so every field sits behind the entry's own lock.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "component/com_base_win.h"
#include "component/local_entry.h"
#include "component/replacement_list.h"

namespace updara {

class UpdFileObject final : public DispatchObject<IUpdFile, &IID_IUpdFile>,
                            public ErrorInfoSupport<&IID_IUpdFile> {
 public:
  UPDARA_IUNKNOWN_OF(DispatchObject)
  static ComRef<UpdFileObject> Create();

  STDMETHODIMP get_Name(BSTR* v) override { return GetText(name_, v); }
  STDMETHODIMP put_Name(BSTR v) override { return SetText(name_, v); }
  STDMETHODIMP get_MyVersion(BSTR* v) override { return GetText(myVersion_, v); }
  STDMETHODIMP put_MyVersion(BSTR v) override { return SetText(myVersion_, v); }
  STDMETHODIMP get_NewVersion(BSTR* v) override { return GetText(newVersion_, v); }
  STDMETHODIMP put_NewVersion(BSTR v) override { return SetText(newVersion_, v); }
  STDMETHODIMP get_URL(BSTR* v) override { return GetText(url_, v); }
  STDMETHODIMP put_URL(BSTR v) override { return SetText(url_, v); }
  STDMETHODIMP get_NeedReplace(VARIANT_BOOL* v) override { return GetBool(needReplace_, v); }
  STDMETHODIMP put_NeedReplace(VARIANT_BOOL v) override { return SetBool(needReplace_, v); }
  STDMETHODIMP get_Path(BSTR* v) override { return GetText(path_, v); }
  STDMETHODIMP put_Path(BSTR v) override { return SetText(path_, v); }
  STDMETHODIMP get_MyVersionInt(short index, long* v) override { return VersionInt(myVersion_, index, v); }
  STDMETHODIMP get_NewVersionInt(short index, long* v) override { return VersionInt(newVersion_, index, v); }
  STDMETHODIMP get_Size(long* v) override;
  STDMETHODIMP put_Size(long v) override;
  STDMETHODIMP get_NewPath(BSTR* v) override { return GetText(newPath_, v); }
  STDMETHODIMP put_NewPath(BSTR v) override { return SetText(newPath_, v); }
  STDMETHODIMP get_Date(DATE* v) override { return LocalFileTime(false, v); }
  STDMETHODIMP get_NewDate(DATE* v) override { return GetDate(newDate_, v); }
  STDMETHODIMP put_NewDate(DATE v) override { return SetDate(newDate_, v); }
  STDMETHODIMP get_MD5(BSTR* v) override;
  STDMETHODIMP get_NewMD5(BSTR* v) override { return GetText(newMd5_, v); }
  STDMETHODIMP put_NewMD5(BSTR v) override { return SetText(newMd5_, v); }
  STDMETHODIMP get_Register(VARIANT_BOOL* v) override { return GetBool(register_, v); }
  STDMETHODIMP put_Register(VARIANT_BOOL v) override { return SetBool(register_, v); }
  STDMETHODIMP get_Compressed(VARIANT_BOOL* v) override { return GetBool(compressed_, v); }
  STDMETHODIMP put_Compressed(VARIANT_BOOL v) override { return SetBool(compressed_, v); }
  STDMETHODIMP get_ModificationDate(DATE* v) override { return LocalFileTime(true, v); }
  STDMETHODIMP get_NewModificationDate(DATE* v) override { return GetDate(newModificationDate_, v); }
  STDMETHODIMP put_NewModificationDate(DATE v) override { return SetDate(newModificationDate_, v); }
  STDMETHODIMP get_Processes(IUpdProcesses** v) override;

  // An entry of the update-information file, completed against the local machine.
  static ComRef<UpdFileObject> FromEntry(const FileEntry& entry, const CompletedEntry& local);

  // For the component itself, without a BSTR round trip.
  std::string Name() const;
  std::string NewPath() const;
  void SetNewPath(std::string path);
  std::string Path() const;
  // Whether the update-information file named the entry's path (its folders may be created).
  bool PathGiven() const;
  bool NeedReplace() const;
  // What fetching the entry needs.
  struct Download {
    std::string url, md5, sha256;
    long size;
    bool compressed;
  };
  Download DownloadRequest() const;
  // The entry's line of the replacement list; nullopt when it has no downloaded file.
  std::optional<ReplacementFile> ListedFile() const;

 protected:
  void* OtherInterface(REFIID riid) override {
    return IsEqualIID(riid, IID_ISupportErrorInfo) ? static_cast<ISupportErrorInfo*>(this) : nullptr;
  }

 private:
  UpdFileObject() = default;
  HRESULT GetText(const std::string& field, BSTR* out) const;
  HRESULT SetText(std::string& field, BSTR value);
  HRESULT GetBool(const bool& field, VARIANT_BOOL* out) const;
  HRESULT SetBool(bool& field, VARIANT_BOOL value);
  HRESULT GetDate(const DATE& field, DATE* out) const;
  HRESULT SetDate(DATE& field, DATE value);
  HRESULT VersionInt(const std::string& field, short index, long* out) const;
  HRESULT LocalFileTime(bool lastWrite, DATE* out) const;
  std::string LocalPath() const;

  mutable std::mutex lock_;
  std::string name_, myVersion_, newVersion_, url_, path_, newPath_, newMd5_;
  std::string newSha256_;  // from the update-information file only: no property sets it
  bool needReplace_ = false, register_ = false, compressed_ = false, pathGiven_ = false;
  long size_ = 0;
  DATE newDate_ = 0, newModificationDate_ = 0;  // 0: not set
};

class UpdFilesObject final : public DispatchObject<IUpdFiles, &IID_IUpdFiles> {
 public:
  static ComRef<UpdFilesObject> Create();
  STDMETHODIMP get_Item(VARIANT index, IUpdFile** out) override;
  STDMETHODIMP get_Count(short* out) override;
  STDMETHODIMP Add(BSTR name, IUpdFile** out) override;
  STDMETHODIMP get__NewEnum(IUnknown** out) override;

  // Appends an entry; false when the collection is full (its count is 16-bit).
  bool Append(ComRef<UpdFileObject> file);

  std::vector<ComRef<UpdFileObject>> Snapshot() const;

 private:
  UpdFilesObject() = default;
  mutable std::mutex lock_;
  std::vector<ComRef<UpdFileObject>> items_;
};

class UpdMessageObject final : public DispatchObject<IUpdMessage, &IID_IUpdMessage> {
 public:
  static ComRef<UpdMessageObject> Create();
  static ComRef<UpdMessageObject> FromEntry(const MessageEntry& entry);
  STDMETHODIMP get_Text(BSTR* v) override;
  STDMETHODIMP put_Text(BSTR v) override;
  STDMETHODIMP get_ID(long* v) override;
  STDMETHODIMP put_ID(long v) override;
  STDMETHODIMP get_Caption(BSTR* v) override;
  STDMETHODIMP put_Caption(BSTR v) override;

 private:
  UpdMessageObject() = default;
  mutable std::mutex lock_;
  std::string text_, caption_;
  long id_ = 0;
};

class UpdProcessObject final : public DispatchObject<IUpdProcess, &IID_IUpdProcess> {
 public:
  static ComRef<UpdProcessObject> Create();
  STDMETHODIMP get_Filename(BSTR* v) override;
  STDMETHODIMP put_Filename(BSTR v) override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP Close() override;
  STDMETHODIMP get_ID(long* v) override;
  STDMETHODIMP put_ID(long v) override;
  STDMETHODIMP get_ExeName(BSTR* v) override;
  STDMETHODIMP put_ExeName(BSTR v) override;
  // A process found using an entry's file: its program, its name in the process list, its ID.
  void Fill(std::string filename, std::string exeName, long id);

 private:
  UpdProcessObject() = default;
  mutable std::mutex lock_;
  std::string filename_, exeName_;
  long id_ = 0;
};

// A list the component fills and the host reads (messages, processes): Count, Item from 0 and
// For Each. The two lists are instantiated in entries_win.cpp.
template <typename Itf, const IID* Iid, typename ItemItf, typename Item>
class ItemList final : public DispatchObject<Itf, Iid> {
 public:
  static ComRef<ItemList> Create();
  STDMETHODIMP get_Count(short* out) override;
  STDMETHODIMP get_Item(short index, ItemItf** out) override;
  STDMETHODIMP get__NewEnum(IUnknown** out) override;
  void Append(ComRef<Item> item);

 private:
  ItemList() = default;
  mutable std::mutex lock_;
  std::vector<ComRef<Item>> items_;
};
using UpdMessagesObject = ItemList<IUpdMessages, &IID_IUpdMessages, IUpdMessage, UpdMessageObject>;
using UpdProcessesObject = ItemList<IUpdProcesses, &IID_IUpdProcesses, IUpdProcess, UpdProcessObject>;

// The creatable classes, for the class factories.
HRESULT CreateUpdFiles(REFIID iid, void** out);
HRESULT CreateUpdFile(REFIID iid, void** out);
HRESULT CreateUpdMessages(REFIID iid, void** out);
HRESULT CreateUpdMessage(REFIID iid, void** out);
HRESULT CreateUpdProcesses(REFIID iid, void** out);
HRESULT CreateUpdProcess(REFIID iid, void** out);

}  // namespace updara
