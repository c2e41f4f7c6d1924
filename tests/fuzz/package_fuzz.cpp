// Offers from a configuration response: the server's body through
// ApiManager's parse, one Package per "o" element, placeholder expansion,
// the install command line, the partner marker and the analytics body
// (whose writer must agree with the JSON library's).
//
// Input: [flags byte][body...]
//   flags: bits 0-1 the Windows version (10.0, 6.1, 6.3, unknown); bit 2 a
//   32-bit process under WOW64 (else a 64-bit one); bit 3 every
//   MultiByteToWideChar fails; bits 4-7 the event code - 1.
//   The body's member "t" (a string) is expanded with each offer's
//   placeholders; its member "x" is the report's extra members.
//
// Each offer either builds or raises the JSON library's exception, a
// VellamException (expansion limit) or the conversion error; nothing else.
// A marker is only ever written below SOFTWARE, outside the system and
// policy branches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../shared/json_oracle.h"
#include "../shared/json_support.h"

#include "config/api_manager.h"
#include "config/http_json_client.h"
#include "config/package.h"
#include "config/vellam_exception.h"
#include "json/compact_json.h"
#include "events/events.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_crypto.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_registry.h"

namespace {


void Check(bool condition) {
  if (!condition) std::abort();
}

// Answers every request with the input body.
class FixedSender : public JsonSender {
 public:
  std::string body;

  bool SendJson(const std::wstring&, const std::string&, const HeaderList&, std::string& response,
                std::uint32_t& status) override {
    response = body;
    status = 200;
    return true;
  }
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

// Every key the fake registry was asked to create, as stored ("HKLM\...").
void CheckMarkersStayedOutOfSystemKeys(const FakeRegistry& registry) {
  for (const std::wstring& path : registry.opens) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (const wchar_t c : path) {
      if (c == L'\\') {
        parts.push_back(Lower(part));
        part.clear();
      } else {
        part += c;
      }
    }
    parts.push_back(Lower(part));
    Check(parts.size() >= 3 && parts[0] == L"hklm" && parts[1] == L"software");
    std::size_t next = 2;
    while (next < parts.size() && parts[next] == L"wow6432node") ++next;
    Check(next < parts.size());
    Check(parts[next] != L"microsoft" && parts[next] != L"policies" && parts[next] != L"classes");
  }
}

struct Fixture {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  FakeCrypto crypto;
  FixedSender sender;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<PackageServices> services;

  explicit Fixture(FakeRegistry::Machine machine) : registry(machine) {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.configHost = L"cdn.test";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->localeName = L"en-US";
    settings->machineGuid = "5f3c2b1a-0000-4000-8000-000000000001";
    settings->sessionId = "20250101120000";
    settings->countryCode = "US";
    services = std::make_shared<PackageServices>(PackageServices{
        *settings, system, codePages, crypto, clock, registry, sender, nullptr, nullptr, nullptr});
  }
};

void BuildOffer(Fixture& fixture, const EventTemplate& eventTemplate, const JsonValue& element,
                std::int32_t index, std::int32_t code, const JsonValue& document) {
  std::shared_ptr<Package> package;
  try {
    package = std::make_shared<Package>(fixture.services, eventTemplate, element, false, "", index);
  } catch (const JsonError&) {
    return;
  } catch (const VellamException&) {
    return;
  } catch (const std::runtime_error& error) {
    Check(std::string(error.what()) == "MultiByteToWideChar() failed: 0");
    return;
  }
  Check(package->params.Find("of") && *package->params.Find("of") == package->feedCode);
  Check(package->eventPayload.IsObject() &&
        TextOr(package->eventPayload, "5") == package->offerId);

  const JsonValue* text = document.Find("t");
  if (text && text->IsString()) {
    try {
      Check(package->ExpandPlaceholders(text->String()).size() <= kMaxExpandedText);
    } catch (const VellamException&) {
    }
  }

  // None of these may throw.
  JsonValue data;
  try {
    package->GetInstallArgs();
    package->RecordPartnerShown();
    const JsonValue* extra = document.Find("x");
    data = BuildEventData(package->eventPayload, code, extra ? *extra : JsonValue(nullptr));
    const JsonValue body = ParseJson(BuildEventBody(data));
    Check(body.Size() == 2 && body.At("table") == "zb_analytics");
    const JsonValue sent = ParseJson(body.At("data").String());
    Check(sent.IsObject() && sent.Size() == data.Size());
  } catch (...) {
    std::abort();
  }
  // The report's own writer agrees with the library's wherever the library
  // can write the value (valid UTF-8) the same way (no floating point).
  if (!HasFloat(data)) {
    std::string reference;
    try {
      reference = ToLibrary(data).dump();
    } catch (const nlohmann::json::type_error&) {
      return;
    }
    Check(CompactJson(data) == reference);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  Fixture fixture((flags & 0x04) ? FakeRegistry::Machine::kWow64Process
                                 : FakeRegistry::Machine::kNative64Process);
  static const platform::OsVersion kVersions[] = {
      {10, 0, 19045, 0}, {6, 1, 7601, 1}, {6, 3, 9600, 0}};
  fixture.system.osVersionOk = (flags & 0x03) != 3;
  if (fixture.system.osVersionOk) fixture.system.osVersion = kVersions[flags & 0x03];
  fixture.codePages.toWideFails = (flags & 0x08) != 0;
  const std::int32_t code = static_cast<std::int32_t>(flags >> 4) - 1;

  fixture.sender.body.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  ApiManager api([&fixture] { return fixture.settings; },
                 ApiPlatform{fixture.sender, fixture.system, fixture.codePages, fixture.clock});
  JsonValue document;
  try {
    document = api.GetConfiguration();
  } catch (const VellamException&) {
    return 0;
  } catch (const JsonError&) {
    return 0;
  }
  if (!document.IsObject()) return 0;
  const JsonValue* offers = document.Find("o");
  if (!offers || !offers->IsArray()) return 0;

  const EventTemplate eventTemplate(*fixture.settings, fixture.system, fixture.codePages);
  std::int32_t index = 0;
  for (const JsonValue& element : offers->Elements()) {
    BuildOffer(fixture, eventTemplate, element, index++, code, document);
  }
  CheckMarkersStayedOutOfSystemKeys(fixture.registry);
  return 0;
}
