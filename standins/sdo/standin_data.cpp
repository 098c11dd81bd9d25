#include "standins/sdo/standin_data.h"

#include <cstdlib>

namespace sdo_standin {
namespace {

constexpr const char* kHeader = "SDO STAND-IN DATA 1";
constexpr int kMaxLatencyMs = 60000;

struct ClassFields {
  const char* name;
  std::vector<std::string> fields;
};

const std::vector<ClassFields>& Classes() {
  static const std::vector<ClassFields> classes = {
      {"SalesRecord", {"NAME", "SALES_REP"}},
      {"NominalRecord", {"NAME", "AUDIT_REF"}},
      {"SplitData", {"DETAILS"}},
  };
  return classes;
}

std::vector<std::string> Split(const std::string& line, char at) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = line.find(at, start);
    parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// A whole decimal number in [low, high], nothing else on the field.
bool WholeNumber(const std::string& text, long low, long high, long& out) {
  if (text.empty() || text.size() > 10) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t j = i; j < text.size(); ++j)
    if (text[j] < '0' || text[j] > '9') return false;
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value < low || value > high) return false;
  out = long(value);
  return true;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

}  // namespace

bool SameNameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

const std::vector<std::string>* FieldsOf(const std::string& className) {
  for (const auto& c : Classes())
    if (className == c.name) return &c.fields;
  return nullptr;
}

int FieldIndex(const std::string& className, const std::string& field) {
  const auto* fields = FieldsOf(className);
  if (!fields) return -1;
  for (size_t i = 0; i < fields->size(); ++i)
    if (SameNameNoCase((*fields)[i], field)) return int(i);
  return -1;
}

bool StorableValue(const std::string& value) { return value.find_first_of("|\r\n") == std::string::npos; }

bool ParseData(const std::string& text, Data& data, std::string& error) {
  data = Data{};
  error.clear();
  std::vector<std::string> lines = Split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();  // the last line's own end
  auto fail = [&](size_t line, const std::string& why) {
    error = "line " + std::to_string(line + 1) + ": " + why;
    data = Data{};
    return false;
  };
  for (std::string& l : lines)
    if (!l.empty() && l.back() == '\r') l.pop_back();
  if (lines.empty() || lines[0] != kHeader) return fail(0, std::string("the first line must be \"") + kHeader + "\"");

  for (size_t n = 1; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (line.empty() || line[0] == '#') continue;
    if (line.find('\0') != std::string::npos || line.find('\r') != std::string::npos)
      return fail(n, "stray control character");
    std::vector<std::string> f = Split(line, '|');
    const std::string& key = f[0];
    if (key == "user") {
      if (f.size() != 3) return fail(n, "a user line is user|NAME|PASSWORD");
      if (f[1].empty()) return fail(n, "empty user name");
      data.users.push_back({f[1], f[2]});
    } else if (key == "connect-error") {
      if (f.size() != 3) return fail(n, "a connect-error line is connect-error|CODE|TEXT");
      if (!WholeNumber(f[1], -2147483647L - 1, 2147483647L, data.connectErrorCode))
        return fail(n, "the error code is not a whole number");
      data.connectFails = true;
      data.connectErrorText = f[2];
    } else if (key == "latency") {
      long ms = 0;
      if (f.size() != 2 || !WholeNumber(f[1], 0, kMaxLatencyMs, ms))
        return fail(n, "a latency line is latency|MILLISECONDS (0 to 60000)");
      data.latencyMs = int(ms);
    } else if (key == "refuse-edit") {
      if (f.size() != 1) return fail(n, "refuse-edit takes no value");
      data.refuseEdit = true;
    } else if (key == "record") {
      if (f.size() < 2) return fail(n, "a record line is record|CLASS|FIELD=VALUE...");
      const auto* fields = FieldsOf(f[1]);
      if (!fields) return fail(n, "unknown record class \"" + f[1] + "\"");
      Record r{f[1], std::vector<std::string>(fields->size())};
      std::vector<bool> given(fields->size(), false);
      for (size_t i = 2; i < f.size(); ++i) {
        size_t eq = f[i].find('=');
        if (eq == std::string::npos) return fail(n, "\"" + f[i] + "\" is not FIELD=VALUE");
        std::string name = f[i].substr(0, eq);
        int at = -1;
        for (size_t k = 0; k < fields->size(); ++k)
          if ((*fields)[k] == name) at = int(k);
        if (at < 0) return fail(n, "unknown field \"" + name + "\" of " + f[1]);
        if (given[size_t(at)]) return fail(n, "field " + name + " given twice");
        given[size_t(at)] = true;
        r.values[size_t(at)] = f[i].substr(eq + 1);
      }
      data.records.push_back(std::move(r));
    } else {
      return fail(n, "unknown item \"" + key + "\"");
    }
  }
  return true;
}

bool BuildData(const Data& data, std::string& text, std::string& error) {
  text.clear();
  error.clear();
  auto storable = [&](const std::string& value, const char* what) {
    if (StorableValue(value)) return true;
    error = std::string(what) + " \"" + value + "\" holds '|', CR or LF";
    return false;
  };
  std::string out = std::string(kHeader) + "\r\n";
  for (const User& u : data.users) {
    if (u.name.empty()) {
      error = "empty user name";
      return false;
    }
    if (!storable(u.name, "user name") || !storable(u.password, "password")) return false;
    out += "user|" + u.name + "|" + u.password + "\r\n";
  }
  if (data.connectFails) {
    if (!storable(data.connectErrorText, "error text")) return false;
    out += "connect-error|" + std::to_string(data.connectErrorCode) + "|" + data.connectErrorText + "\r\n";
  }
  if (data.latencyMs < 0 || data.latencyMs > kMaxLatencyMs) {
    error = "latency out of range";
    return false;
  }
  if (data.latencyMs) out += "latency|" + std::to_string(data.latencyMs) + "\r\n";
  if (data.refuseEdit) out += "refuse-edit\r\n";
  for (const Record& r : data.records) {
    const auto* fields = FieldsOf(r.className);
    if (!fields) {
      error = "unknown record class \"" + r.className + "\"";
      return false;
    }
    if (r.values.size() > fields->size()) {
      error = "more values than " + r.className + " has fields";
      return false;
    }
    // Every field is written, a missing value as empty: one model, one text.
    out += "record|" + r.className;
    for (size_t i = 0; i < fields->size(); ++i) {
      const std::string value = i < r.values.size() ? r.values[i] : std::string();
      if (!storable(value, "value")) return false;
      out += "|" + (*fields)[i] + "=" + value;
    }
    out += "\r\n";
  }
  text = std::move(out);
  return true;
}

std::vector<size_t> RecordsOf(const Data& data, const std::string& className) {
  std::vector<size_t> picked;
  for (size_t i = 0; i < data.records.size(); ++i)
    if (data.records[i].className == className) picked.push_back(i);
  return picked;
}

}  // namespace sdo_standin
