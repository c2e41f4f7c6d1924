#include "events/event_template.h"

#include <string>

#include "config/digests.h"
#include "config/identity.h"

namespace {

// A failed conversion sends empty text.
std::string Ansi(platform::CodePages& codePages, const std::wstring& text) {
  std::string narrow;
  if (!codePages.FromWide(platform::kCpAcp, text, narrow)) narrow.clear();
  return narrow;
}

}  // namespace

EventTemplate::EventTemplate(ConfigurationManager& settings, platform::SystemInfo& system,
                             platform::CodePages& codePages) {
  for (int key = 0; key <= 22; ++key) payload[std::to_string(key)] = "";
  const std::string machineGuid = settings.GetMachineGuid();
  const std::string sessionId = settings.GetSessionId();
  payload["1"] = machineGuid;
  payload["2"] = sessionId;
  payload["3"] = Ansi(codePages, settings.publisher);
  payload["4"] = Ansi(codePages, settings.productId);
  payload["7"] = Ansi(codePages, settings.programVersion);
  payload["15"] = 0;
  payload["19"] = Ansi(codePages, settings.flowCode);
  payload["21"] = Ansi(codePages, settings.channel);
  payload["22"] = Ansi(codePages, settings.productTitle);
  payload["31"] = GetOsVersion(system);
  payload["38"] = IsWow64(system) ? "1" : "0";

  // The signature only proves the two identity values; it uses no key.
  const std::string signature = Sha256Hex(machineGuid + sessionId);
  headers.emplace_back(L"Authorization",
                       L"Signature=" + std::wstring(signature.begin(), signature.end()));
}
