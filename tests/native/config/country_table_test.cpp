#include "config/country_table.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

TEST(LookupAffiliateIdTest, KnownCountriesMapToTheirGroups) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"US", "91088"}, {"CA", "91166"}, {"BR", "91199"}, {"KR", "91214"},
      {"NZ", "91214"}, {"DZ", "91105"}, {"AE", "91105"}, {"TH", "91215"},
      {"SG", "91215"}, {"PS", "91215"}};
  for (const auto& [country, affiliate] : rows) {
    EXPECT_EQ(LookupAffiliateId(country), affiliate) << country;
  }
}

// Every two-letter upper-case code, counted by the number it gets: the group
// sizes add up to the 62 listed codes, and all the others get the default.
TEST(LookupAffiliateIdTest, GroupSizesOverAllTwoLetterCodes) {
  std::map<std::string, int> counts;
  for (char first = 'A'; first <= 'Z'; ++first) {
    for (char second = 'A'; second <= 'Z'; ++second) {
      ++counts[LookupAffiliateId(std::string{first, second})];
    }
  }
  const std::map<std::string, int> expected = {
      {"91088", 1},  {"91166", 1},  {"91199", 1},       {"91214", 3},
      {"91105", 23}, {"91215", 33}, {"91082", 676 - 62}};
  EXPECT_EQ(counts, expected);
}

TEST(LookupAffiliateIdTest, EverythingElseGetsTheDefault) {
  const std::vector<std::string> codes = {"GB", "DE", "FR", "JP", "",   "us",
                                          "Us", "US ", " US", "USA", "U", std::string("US\0", 3)};
  for (const std::string& code : codes) {
    EXPECT_EQ(LookupAffiliateId(code), "91082") << "[" << code << "]";
  }
}

}  // namespace
