// Typed access to the SDO engine, an outside in-process COM server that is only reached by name
// (late binding). Every call is guarded: a failure comes back as false or an empty result with
// the HRESULT and a text in Fault(), never as an exception. Texts are ANSI; BSTRs exist only
// inside these calls. Each holder releases its object when it goes.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <optional>
#include <string>

#include "common/com_ref_win.h"

namespace lw {

// The outcome of the last call through one holder: S_OK and an empty text after a success.
struct SdoFault {
  HRESULT hr = S_OK;
  std::string text;
};

// What the three holders share: the object and the last call's outcome.
class SdoObject {
 public:
  explicit operator bool() const { return static_cast<bool>(object_); }
  const SdoFault& Fault() const { return fault_; }
  void Release() { object_.Reset(); }
  IDispatch* Dispatch() const { return object_.get(); }

 protected:
  ComRef<IDispatch> object_;
  SdoFault fault_;
};

class SdoRecord : public SdoObject {
 public:
  // Number of records; empty on failure.
  std::optional<long> Count();
  bool MoveFirst();
  bool MoveNext();
  // The field of the current record as text (the default member indexed by the field name).
  std::optional<std::string> Field(const std::string& name);
  bool SetField(const std::string& name, const std::string& value);
  // True when the engine lets the current record be changed; false also when the call failed
  // (Fault() tells the two apart).
  bool Edit();
  bool Update();

 private:
  friend class SdoWorkspace;
};

class SdoWorkspace : public SdoObject {
 public:
  // The UI property: whether the engine may show its own windows.
  bool SetUI(bool show);
  // Logs in to the data folder. User name and password go by reference, as the engine expects;
  // what it may leave in them is not taken back.
  bool Connect(const std::string& folder, const std::string& user, const std::string& password,
               const std::string& connectionName);
  // A record object of the class ("SalesRecord", "NominalRecord", "SplitData").
  bool CreateObject(const std::string& className, SdoRecord& record);
  bool Disconnect();

 private:
  friend class SdoEngine;
};

class SdoEngine : public SdoObject {
 public:
  // Creates the engine of the data version ("7" to "18") in process, by its class identifier.
  // On failure engine is left empty and error says why.
  static bool Create(const std::string& dataVersion, SdoEngine& engine, std::string& error);
  // Workspaces.Add(name).
  bool AddWorkspace(const std::string& name, SdoWorkspace& workspace);
  // LastError.Code and LastError.Text: the engine's account of its last failure.
  bool LastError(long& code, std::string& text);
};

// The engine interface every version's engine answers.
extern const IID kSdoEngineInterface;

}  // namespace lw
