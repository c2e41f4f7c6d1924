#include "config/country_table.h"

#include <initializer_list>
#include <unordered_map>

namespace {

constexpr const char* kDefaultAffiliate = "91082";

std::unordered_map<std::string, std::string> BuildTable() {
  struct Group {
    const char* affiliate;
    std::initializer_list<const char*> countries;
  };
  const Group groups[] = {
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
  std::unordered_map<std::string, std::string> table;
  for (const Group& group : groups) {
    for (const char* country : group.countries) table.emplace(country, group.affiliate);
  }
  return table;
}

}  // namespace

std::string LookupAffiliateId(const std::string& countryCode) {
  static const std::unordered_map<std::string, std::string> table = BuildTable();
  const auto found = table.find(countryCode);
  return found != table.end() ? found->second : kDefaultAffiliate;
}
