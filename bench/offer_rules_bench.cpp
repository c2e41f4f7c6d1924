// One offer walk through the rule engine: 50 offers, each with 20 "r"
// entries naming vendors that are not installed and an "ir" list whose
// second entry is installed, on the in-memory registry of a 32-bit installer
// on 64-bit Windows. The counters are per walk and exact: the software
// branches are listed once per root and view for the whole walk, an absent
// vendor costs no call, and each present one two opens (its branch, then the
// key). The time only compares builds (the native preset has sanitizers).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"

#include "config/http_json_client.h"
#include "config/package.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_crypto.h"
#include "fakes/fake_machine_state.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_registry.h"
#include "rules/offer_rule_engine.h"

namespace {

constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;

class NoSender : public JsonSender {
 public:
  bool SendJson(const std::wstring&, const std::string&, const HeaderList&, std::string& response,
                std::uint32_t& status) override {
    response = "{}";
    status = 200;
    return true;
  }
};

struct Machine {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeRegistry registry{FakeRegistry::Machine::kWow64Process};
  FakeMachineState machine;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  FakeCrypto crypto;
  NoSender sender;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<PackageServices> services;

  Machine() {
    // A realistic number of vendors in every view.
    for (int i = 0; i < 150; ++i) {
      registry.CreateKey(kHklm, L"SOFTWARE\\Installed64_" + std::to_wstring(i) + L"\\Product",
                         platform::kKeyWow64_64Key);
    }
    for (int i = 0; i < 100; ++i) {
      registry.CreateKey(kHklm, L"SOFTWARE\\Installed32_" + std::to_wstring(i) + L"\\Product",
                         platform::kKeyWow64_32Key);
    }
    for (int i = 0; i < 40; ++i)
      registry.CreateKey(kHkcu, L"Software\\UserVendor" + std::to_wstring(i));
    ProductConstants constants;
    constants.wizardName = L"ISV";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->machineGuid = "guid";
    settings->sessionId = "session";
    services = std::make_shared<PackageServices>(PackageServices{
        *settings, system, codePages, crypto, clock, registry, sender, nullptr, nullptr, nullptr});
  }
};

std::vector<std::shared_ptr<Package>> Offers(Machine& machine, int offers, int absentPerOffer) {
  std::vector<std::shared_ptr<Package>> packages;
  for (int i = 0; i < offers; ++i) {
    JsonValue r = JsonValue::MakeArray();
    for (int k = 0; k < absentPerOffer; ++k) {
      r.PushBack("AbsentVendor" + std::to_string(i * absentPerOffer + k) + "\\Product");
    }
    const JsonValue ir = {"AbsentVendor", "Installed" + std::string(i % 2 ? "32_" : "64_") +
                                                   std::to_string(i) + "\\Product"};
    const JsonValue offer = {
        {"ad", {{"f", "feed"}, {"o", "offer" + std::to_string(i)}}},
        {"ps", {{"i", "n"}, {"dn", "n"}, {"u", "u"}, {"v", i}, {"r", r}, {"ir", ir}}}};
    packages.push_back(
        std::make_shared<Package>(machine.services, EventTemplate(), offer, false, "", 0));
  }
  return packages;
}

void OfferWalk(benchmark::State& state) {
  Machine machine;
  const std::vector<std::shared_ptr<Package>> offers =
      Offers(machine, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  FakeRegistry::Counts perWalk;
  std::size_t accepted = 0;
  for (auto _ : state) {
    machine.registry.counts = {};
    OfferRuleEngine engine(1000, *machine.settings,
                           OfferRulePlatform{machine.registry, machine.system, machine.files,
                                             machine.machine, machine.clock, machine.codePages});
    PackageList list;
    for (const std::shared_ptr<Package>& offer : offers) {
      // The list passed on holds the offers accepted before, as in the walk.
      bool stop = false;
      if (engine.CheckOffer(offer, stop, list)) list.push_back(offer);
    }
    accepted = list.size();
    perWalk = machine.registry.counts;
    benchmark::DoNotOptimize(accepted);
  }
  if (accepted != offers.size()) state.SkipWithError("an offer was rejected");
  state.counters["opens"] = perWalk.openKey;
  state.counters["listings"] = perWalk.queryInfoKey;
  state.counters["calls"] = perWalk.Total();
}

BENCHMARK(OfferWalk)->ArgNames({"offers", "absent"})->Args({50, 20})->Args({10, 20})->Args({50, 0});

}  // namespace

BENCHMARK_MAIN();
