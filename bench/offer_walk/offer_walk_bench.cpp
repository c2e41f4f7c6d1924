// One offer walk on the real registry under Wine: 50 offers, each with 20
// "r" entries naming vendors that are not installed and an "ir" list whose
// second entry ("Microsoft") is there, walked by the rule engine over the
// Win32 platform. Prints the registry calls of one walk (counted) and the
// best and median time of a walk over several runs.
//
//   offer_walk_bench.exe [RUNS]
//
// Prints: offers=50 absent=20 listings=N opens=N best_ms=T median_ms=T
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"

#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "config/package.h"
#include "platform/win32/win32_platform.h"
#include "rules/offer_rule_engine.h"
#include "../../tests/shared/counting_registry.h"

namespace {

namespace w = platform::win32;

constexpr int kOffers = 50;
constexpr int kAbsentPerOffer = 20;

// No offer is rejected, so nothing is ever sent.
class NoSender : public JsonSender {
 public:
  bool SendJson(const std::wstring&, const std::string&, const HeaderList&, std::string& response,
                std::uint32_t& status) override {
    response = "{}";
    status = 200;
    return true;
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 20;
  ProductConstants constants;
  constants.wizardName = L"ISV";
  constants.configHost = L"localhost";
  auto settings = std::make_shared<ConfigurationManager>(
      constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                       w::RealClock(), w::RealDialogs()});
  if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
  NoSender sender;
  auto services = std::make_shared<PackageServices>(PackageServices{
      *settings, w::RealSystemInfo(), w::RealCodePages(), w::RealCrypto(), w::RealClock(),
      w::RealRegistry(), sender, [](std::uint32_t) {}, nullptr, nullptr});

  std::vector<std::shared_ptr<Package>> offers;
  for (int i = 0; i < kOffers; ++i) {
    JsonValue r = JsonValue::MakeArray();
    for (int k = 0; k < kAbsentPerOffer; ++k) {
      r.PushBack("AbsentVendor" + std::to_string(i * kAbsentPerOffer + k) + "\\Product");
    }
    const JsonValue offer = {
        {"ad", {{"f", "feed"}, {"o", "offer" + std::to_string(i)}}},
        {"ps",
         {{"i", "n"}, {"dn", "n"}, {"u", "u"}, {"v", i}, {"r", r}, {"ir", {"Absent", "Microsoft"}}}}};
    offers.push_back(std::make_shared<Package>(services, EventTemplate(), offer, false, "", 0));
  }

  std::vector<double> times;
  CountingRegistry registry(w::RealRegistry());
  int listings = 0;
  int opens = 0;
  for (int run = 0; run < runs; ++run) {
    registry.listings = registry.opens = 0;
    const auto start = std::chrono::steady_clock::now();
    OfferRuleEngine engine(1000, *settings,
                           OfferRulePlatform{registry, w::RealSystemInfo(), w::RealFileSystem(), w::RealMachineState(),
                                             w::RealClock(), w::RealCodePages()});
    PackageList accepted;
    for (const std::shared_ptr<Package>& offer : offers) {
      bool stop = false;
      if (engine.CheckOffer(offer, stop, accepted)) accepted.push_back(offer);
    }
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    if (accepted.size() != offers.size()) {
      std::fprintf(stderr, "an offer was rejected\n");
      return 1;
    }
    listings = registry.listings;
    opens = registry.opens;
  }
  std::sort(times.begin(), times.end());
  std::printf("offers=%d absent=%d listings=%d opens=%d best_ms=%.2f median_ms=%.2f\n", kOffers,
              kAbsentPerOffer, listings, opens, times.front(), times[times.size() / 2]);
  return 0;
}
