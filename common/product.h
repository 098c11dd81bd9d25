// Fixed facts about this program and its maker, in one place.
#pragma once

namespace lw {

inline constexpr const char* kAppTitle = "Ledgerwell";
inline constexpr const char* kFileDescription = "Brenk Ledgerwell";
inline constexpr const char* kCompanyName = LW_COMPANY_NAME;
// The build's version; at run time the program reads its own version resource, which carries these.
inline constexpr int kVersionMajor = LW_VERSION_MAJOR;
inline constexpr int kVersionMinor = LW_VERSION_MINOR;
inline constexpr int kVersionRevision = LW_VERSION_REVISION;

// A program's major, minor and revision numbers.
struct ProgramVersion {
  int major = 0, minor = 0, revision = 0;
};

struct RegionContacts {
  const char* regionCode;
  const char* taxName;
  const char* webSite;
  const char* email;
  const char* updateHost;  // the server that answers the About window's update check
};

// The publisher's page: the British region's web site, and where the update component's progress
// window links to unless its host names another page.
inline constexpr const char* kPublisherPage = "https://www.brenkgroup.co.uk";

inline constexpr RegionContacts kRegionGB{"GB", "VAT", kPublisherPage, "support@brenkgroup.co.uk",
                                          "www.brenkgroup.co.uk"};
inline constexpr RegionContacts kRegionAU{"AU", "GST", "https://www.brenkgroup.com.au", "support@brenkgroup.com.au",
                                          "www.brenkgroup.com.au"};
// Shared by both regions.
inline constexpr const char* kSecondWebSite = "https://www.ledgerwell.com";
// The server of the version feed, the same for both regions.
inline constexpr const char* kRssServer = "https://www.brenkgroup.co.uk";

}  // namespace lw
