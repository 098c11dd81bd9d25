// The stand-in engine's data file, sdo_standin.txt in the data folder: users, records and the
// behaviour switches, one item a line, fields separated by '|':
//
//   SDO STAND-IN DATA 1                       first line, always
//   # a comment                               comments and blank lines are skipped
//   user|MANAGER|secret                       a user and its password (may be empty)
//   connect-error|23|Text of the error        every Connect fails with this code and text
//   latency|250                               milliseconds of delay per MoveFirst / MoveNext
//   refuse-edit                               Edit answers False
//   record|SalesRecord|NAME=Acme|SALES_REP=Jo one record of a class, in file order
//
// Classes and their fields: SalesRecord (NAME, SALES_REP), NominalRecord (NAME, AUDIT_REF),
// SplitData (DETAILS); a field left out of a record line is empty. User names compare without
// letter case, passwords exactly. Values cannot hold '|', CR or LF. Anything else is malformed.
#pragma once

#include <string>
#include <vector>

namespace sdo_standin {

inline constexpr const char* kDataFileName = "sdo_standin.txt";
// Each Connect appends one line here, in the same folder (see the engine).
inline constexpr const char* kConnectLogName = "sdo_standin.log";
// Each Update appends a line here for every field it stores, in the same folder:
//   update|CLASS|POSITION|FIELD|VALUE BEFORE|VALUE AFTER      (the position from 1, in class order)
inline constexpr const char* kUpdateLogName = "sdo_standin.updates";

struct User {
  std::string name;
  std::string password;
};

struct Record {
  std::string className;
  std::vector<std::string> values;  // in the order of the class's fields
};

struct Data {
  std::vector<User> users;
  std::vector<Record> records;
  bool connectFails = false;
  long connectErrorCode = 0;
  std::string connectErrorText;
  int latencyMs = 0;
  bool refuseEdit = false;
};

// The fields of a record class (exact class name); nullptr for a class the engine does not serve.
const std::vector<std::string>* FieldsOf(const std::string& className);
// Position of the field (any letter case) in the class's fields, -1 when it has none by that name.
int FieldIndex(const std::string& className, const std::string& field);
// Whether a value can be stored in the file.
bool StorableValue(const std::string& value);
bool SameNameNoCase(const std::string& a, const std::string& b);

// Parses the file's text (CR LF or LF lines). On failure returns false with error naming the line.
bool ParseData(const std::string& text, Data& data, std::string& error);
// The file's text in its one written form, so an unchanged model writes the same bytes. Fails
// (false, error) for a value or name that the format cannot hold.
bool BuildData(const Data& data, std::string& text, std::string& error);

// The records of one class, in file order (indexes into data.records).
std::vector<size_t> RecordsOf(const Data& data, const std::string& className);

}  // namespace sdo_standin
