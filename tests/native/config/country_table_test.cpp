#include "config/country_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct Group {
  const char* affiliate;
  std::vector<std::string> countries;
};

const Group kGroups[] = {
    {"91088", {"US"}},
    {"91166", {"CA"}},
    {"91199", {"BR"}},
    {"91214", {"AU", "NZ", "KR"}},
    {"91105", {"DZ", "BG", "CY", "CZ", "EG", "GR", "HU", "IE", "IL", "KW", "MA", "PL",
               "PT", "QA", "RO", "RU", "SA", "SK", "ZA", "TN", "TR", "UA", "AE"}},
    {"91215", {"TH", "MX", "PH", "AR", "VN", "TW", "PE", "CL", "CO", "VE", "RS",
               "LK", "DO", "JO", "HK", "LT", "PS", "HR", "CR", "BA", "SV", "GE",
               "MD", "AL", "UY", "BY", "LB", "SN", "PA", "LV", "ID", "PK", "SG"}},
};

TEST(LookupAffiliateIdTest, EveryListedCountryMapsToItsGroup) {
  std::set<std::string> seen;
  for (const Group& group : kGroups) {
    for (const std::string& country : group.countries) {
      EXPECT_EQ(LookupAffiliateId(country), group.affiliate) << country;
      seen.insert(country);
    }
  }
  EXPECT_EQ(seen.size(), 62u);  // no code listed twice
}

TEST(LookupAffiliateIdTest, EverythingElseGetsTheDefault) {
  const std::vector<std::string> codes = {"GB", "DE", "FR", "JP", "",   "us",
                                          "Us", "US ", " US", "USA", "U", std::string("US\0", 3)};
  for (const std::string& code : codes) {
    EXPECT_EQ(LookupAffiliateId(code), "91082") << "[" << code << "]";
  }
}

}  // namespace
