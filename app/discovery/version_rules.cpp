#include "app/discovery/version_rules.h"

#include "app/tools/text.h"

namespace lw {

bool IsInstant(const std::string& programType) { return StartsWithNoCase(programType, "I"); }

bool JudgeDataVersion(const std::string& dataVersion, const std::string& programType, int newestVersion,
                      std::string& errorText) {
  const int64_t v = Val(dataVersion);
  const bool instant = IsInstant(programType);
  if (instant && v < 15) {
    errorText = "Instant v" + dataVersion + " is not supported";
    return false;
  }
  if (v <= newestVersion || !instant) {
    if (v < kLowestDataVersion) {
      errorText = "Sage Line 50 v" + dataVersion + " is not supported";
      return false;
    }
    if (v <= newestVersion) return true;
    errorText = "Sage 50 v" + dataVersion + " is not supported yet";
    return false;
  }
  errorText = "Instant v" + dataVersion + " is not supported yet";
  return false;
}

std::string SdoVersionKey(const std::string& version) {
  std::string key;
  for (int n = 2; n <= 4; ++n) key += ZeroPad(Val(GetField(version, n, ".")), 4);
  return key;
}

namespace {

enum class When { Never, Below, Equals, NotEquals };

struct SdoMinimum {
  const char* dataVersion;
  int instant;  // -1 either, 0 not Instant, 1 Instant only
  When must;
  const char* mustKey;
  const char* mustTail;
  When should;
  const char* shouldKey;
  const char* shouldTail;
};

constexpr SdoMinimum kSdoMinimums[] = {
    {"8", -1, When::Equals, "000000200011", " and needs to be updated", When::Never, "", ""},
    {"12", -1, When::Below, "000000010060", " and needs to be updated to v12.0.1.60", When::Never, "", ""},
    {"13", -1, When::Below, "000300290159", " and needs to be updated to v13.3.29.159", When::Never, "", ""},
    {"14", -1, When::Below, "000000170157", " and needs to be updated to at least v14.0.17.157", When::Below,
     "000100260246", " and should be updated to v14.1.26.246"},
    {"15", 0, When::Below, "000000110158", " and needs to be updated to at least v15.0.11.158", When::Below,
     "000100180190", " and should be updated to v15.1.18.190 by installing Update 1"},
    {"15", 1, When::NotEquals, "000000100010", " and needs to be v15.0.10.10 in order to work with Sage Instant",
     When::Never, "", ""},
    {"16", -1, When::Below, "000000140147", " and needs to be updated to v16.0.14.147", When::Never, "", ""},
    {"17", -1, When::Below, "000000120196", " and needs to be updated to v17.0.12.196", When::Never, "", ""},
    {"18", -1, When::Below, "000000100208", " and needs to be updated to v18.0.10.208", When::Never, "", ""},
};

bool Applies(When when, const std::string& key, const char* rowKey) {
  switch (when) {
    case When::Below: return key < rowKey;
    case When::Equals: return key == rowKey;
    case When::NotEquals: return key != rowKey;
    case When::Never: break;
  }
  return false;
}

}  // namespace

SdoVersionVerdict JudgeSdoVersion(const std::string& dataVersion, bool instant, const std::string& sdoVersion) {
  SdoVersionVerdict verdict;
  if (sdoVersion.empty()) {
    verdict.showMessage = true;
    verdict.text = "The Sage v" + dataVersion + " SDO has not been installed on this computer";
    verdict.style = 16;
    verdict.title = "SDO Not Found";
    return verdict;
  }
  const std::string key = SdoVersionKey(sdoVersion);
  const bool majorDiffers = Val(GetField(sdoVersion, 1, ".")) != Val(dataVersion);
  for (const SdoMinimum& row : kSdoMinimums) {
    if (dataVersion != row.dataVersion || (row.instant != -1 && row.instant != int(instant))) continue;
    bool should = false;
    verdict.mustUpdate = majorDiffers || Applies(row.must, key, row.mustKey);
    if (!verdict.mustUpdate && row.should != When::Never) should = Applies(row.should, key, row.shouldKey);
    if (verdict.mustUpdate || should) {
      verdict.showMessage = true;
      verdict.text = "Your Sage SDO is v" + sdoVersion + (verdict.mustUpdate ? row.mustTail : row.shouldTail);
      verdict.style = verdict.mustUpdate ? 16 : 48;
      verdict.title = "Bad SDO Version";
    }
    break;
  }
  return verdict;
}

std::string AccessModeSuffix(int code) {
  switch (code) {
    case 1: return " (Maint)";
    case 2: return " (Backup)";
    case 3: return " (Restore)";
    case 7: return "";
    case 87: return " (Config)";
    default: return " (Settings)";
  }
}

}  // namespace lw
