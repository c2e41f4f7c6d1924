// Offer documents from the server evaluated by the offer rule engine on a
// fixed fake machine: every rule family reads server text (registry paths,
// value data, file paths, application names, version texts, uninstall
// records, the partner marker path, flow lists).
//
// Input: [flags byte][JSON document]
//   flags: bit 0 a 32-bit process under WOW64 (else 32-bit Windows); bit 1
//   the disk and memory measurements fail; bit 2 the process snapshot
//   fails; bit 3 Windows 7 (else 10); bit 4 the local time cannot be had.
//   The document: {"m": max offers, "e": extra offer allowance, "o": [offer,
//   ...]} with offers as the configuration response has them.
//
// A walk either ends normally or with one of the exceptions the rules let
// escape (number conversions, an invalid root, a path with nothing below its
// branch); nothing else. Afterwards no registry key or snapshot is open, the
// file-system redirection is back on, no more offers were accepted than the
// limit allowed, and every report carries one of the fixed reasons.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../shared/json_support.h"

#include "config/http_json_client.h"
#include "config/package.h"
#include "config/vellam_exception.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_crypto.h"
#include "fakes/fake_machine_state.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_registry.h"
#include "rules/offer_rule_engine.h"

namespace {

using Machine = FakeRegistry::Machine;

constexpr std::size_t kMaxOffersWalked = 64;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The reasons a rule may give: fixed texts, or a fixed beginning.
bool KnownReason(const std::string& reason) {
  static const char* const kFixed[] = {"SAME VERTICAL OFFER ALREADY PRESENT",
                                       "MULTIPLE OFFERS W/O VERTICAL",
                                       "EXCLUSIVE, BUT ANOTHER OFFER ALREADY PRESENT",
                                       "REGISTRY KEY EXISTS",
                                       "NONE OF THE REGISTRY KEYS EXISTS",
                                       "REGISTRY VALUE EXISTS",
                                       "REGISTRY VALUE DATA MATCHES",
                                       "NOT ENOUGH DISK SPACE",
                                       "NOT ENOUGH RAM",
                                       "NOT ENOUGH CPU",
                                       "UNSUPPORTED OS VERSION",
                                       "UNSUPPORTED PLATFORM VERSION",
                                       "64 BIT OS REQUIRED",
                                       "FILE EXISTS",
                                       "NONE OF THE FILES EXISTS",
                                       "APPLICATION RUNNING",
                                       "REGISTRY INCLUDE APP NOT FOUND",
                                       "REGISTRY EXCLUDE APP FOUND",
                                       "MIN DAYS UNINSTALL CHECKER",
                                       "NO CHROME",
                                       "HAVE CHROME",
                                       "OLD IE VERSION",
                                       "PN NO SHOW",
                                       "DISK SPACE CHECK FAILED 112",
                                       "RAM CHECK FAILED 8"};
  for (const char* fixed : kFixed) {
    if (reason == fixed) return true;
  }
  return (StartsWith(reason, "SHOWED ") && reason.find(" ALLOWED BEFORE") != std::string::npos) ||
         StartsWith(reason, "NOT ALLOWED AFTER ") || StartsWith(reason, "ONLY ");
}

// The analytics server: remembers every reason ("13") it was sent.
class RecordingSender : public JsonSender {
 public:
  std::mutex mutex;
  std::vector<std::string> reasons;

  bool SendJson(const std::wstring&, const std::string& body, const HeaderList&,
                std::string& response, std::uint32_t& status) override {
    const JsonValue data = ParseJson(ParseJson(body)["data"].String());
    {
      std::lock_guard<std::mutex> lock(mutex);
      reasons.push_back(TextOr(data, "13"));
    }
    response = "{}";
    status = 200;
    return true;
  }
};

// One machine with a little of everything the rules look at.
void Populate(FakeRegistry& registry, FakeFileSystem& files, bool wow64) {
  constexpr platform::RegistryKey kHklm = platform::kHkeyLocalMachine;
  constexpr platform::RegistryKey kHkcu = platform::kHkeyCurrentUser;
  const std::uint32_t view64 = wow64 ? platform::kKeyWow64_64Key : 0;
  registry.SetDword(kHklm, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"~MHz", 2400,
                    view64);
  registry.SetString(kHklm, L"SOFTWARE\\Vendor\\App", L"Version", L"1.0", view64);
  registry.SetDword(kHklm, L"SOFTWARE\\Vendor\\App", L"Flag", 1, view64);
  registry.SetQword(kHklm, L"SOFTWARE\\Vendor\\App", L"Big", 1ull << 40, view64);
  registry.SetString(kHklm, L"SOFTWARE\\Vendor\\App", L"Uninstalled", L"1699000000", view64);
  registry.SetString(kHklm, L"SOFTWARE\\Vendor\\App", L"Expand", L"%SystemRoot%", view64,
                     platform::kRegExpandSz);
  registry.SetString(kHklm, L"SOFTWARE\\Vendor32\\App", L"Path", L"C:\\V32", 0);
  registry.CreateKey(kHkcu, L"Software\\UserVendor\\App");
  registry.SetString(kHklm, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version", L"9.11.19041.0");
  registry.SetString(kHklm, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe",
                     L"", L"C:\\Tools\\tool.exe", view64);
  registry.SetString(kHklm, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe",
                     L"Path", L"C:\\Chrome");
  registry.SetString(kHkcu, L"SOFTWARE\\Google\\Chrome\\BLBeacon", L"Path", L"");
  registry.SetDword(kHklm, L"SOFTWARE\\Partner", L"Until", 20240101);
  files.files = {L"C:\\Tools\\tool.exe", L"C:\\Chrome\\chrome.exe", L"C:\\present.txt"};
  files.directories = {L"C:\\Program Files\\Vendor"};
}

struct Fixture {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeRegistry registry;
  FakeMachineState machine;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  FakeCrypto crypto;
  RecordingSender sender;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<PackageServices> services;

  explicit Fixture(bool wow64) : registry(wow64 ? Machine::kWow64Process : Machine::kWindows32) {
    system.wow64 = wow64;
    Populate(registry, files, wow64);
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.configHost = L"cdn.test";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->machineGuid = "5f3c2b1a-0000-4000-8000-000000000001";
    settings->sessionId = "20250101120000";
    settings->programVersion = L"1.0.0.1";
    services = std::make_shared<PackageServices>(PackageServices{
        *settings, system, codePages, crypto, clock, registry, sender, nullptr, nullptr, nullptr});
  }
};

std::int32_t SmallNumber(const JsonValue& document, const char* key, std::int32_t fallback) {
  const JsonValue* found = document.Find(key);
  if (!found || !found->IsNumber() || found->IsFloat()) return fallback;
  const std::int64_t value = found->ToInt64();
  return value < -1000 || value > 1000 ? fallback : static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  JsonValue document;
  try {
    document = ParseJson(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  } catch (const JsonError&) {
    return 0;
  }
  const JsonValue* offers = document.Find("o");
  if (!offers || !offers->IsArray()) return 0;

  Fixture fixture((flags & 0x01) != 0);
  if (flags & 0x02) {
    fixture.machine.diskError = 112;
    fixture.machine.memoryError = 8;
  }
  fixture.machine.snapshotFails = (flags & 0x04) != 0;
  fixture.system.osVersion =
      (flags & 0x08) ? platform::OsVersion{6, 1, 7601, 1} : platform::OsVersion{10, 0, 19045, 0};
  fixture.clock.localTimeOk = (flags & 0x10) == 0;
  const std::int32_t maxOffers = SmallNumber(document, "m", 3);
  fixture.settings->extraOfferAllowance = SmallNumber(document, "e", 0);

  {
    OfferRuleEngine engine(maxOffers, *fixture.settings,
                           OfferRulePlatform{fixture.registry, fixture.system, fixture.files,
                                             fixture.machine, fixture.clock, fixture.codePages});
    PackageList accepted;
    std::size_t walked = 0;
    for (const JsonValue& element : offers->Elements()) {
      if (++walked > kMaxOffersWalked) break;
      std::shared_ptr<Package> offer;
      try {
        offer = std::make_shared<Package>(fixture.services, EventTemplate(), element, false, "",
                                          static_cast<std::int32_t>(accepted.size()));
      } catch (const JsonError&) {
        break;  // ends the loading, as there
      } catch (const VellamException&) {
        break;
      } catch (const std::runtime_error&) {
        break;
      }
      const std::int64_t limit =
          static_cast<std::int64_t>(maxOffers) + fixture.settings->extraOfferAllowance;
      const std::int32_t before = engine.acceptedCount();
      bool stop = false;
      bool ok = false;
      try {
        ok = engine.CheckOffer(offer, stop, accepted);
      } catch (const std::invalid_argument& error) {
        const std::string what = error.what();
        Check(what == "invalid stoul argument" || what == "invalid stoull argument" ||
              what == "invalid stof argument");
        break;
      } catch (const std::out_of_range&) {
        break;  // a number out of range, an alias as root, a path too short
      }
      Check(fixture.registry.OpenHandles() == 0);
      Check(fixture.machine.openSnapshots == 0 && !fixture.machine.redirectionDisabled);
      if (ok) {
        Check(!stop && before < limit && engine.acceptedCount() == before + 1);
        accepted.push_back(offer);
        if (offer->exclusive) break;
      } else {
        Check(engine.acceptedCount() == before);
      }
      if (stop) {
        Check(before >= limit);
        break;
      }
    }
  }
  // Every package is gone, so every report has been sent.
  Check(fixture.registry.OpenHandles() == 0);
  for (const std::string& reason : fixture.sender.reasons) Check(KnownReason(reason));
  return 0;
}
