// The user's browsers and a partner's no-show date: Chrome (or Chromium)
// required or refused, Internet Explorer older than 9, and the date before
// which a partner product asked not to be offered.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "rules/number_conversion.h"
#include "rules/offer_rule_engine.h"
#include "rules/path_macros.h"

namespace {

// "SOFTWARE" in capitals: read in the default view only, by a direct open.
constexpr wchar_t kChromeAppPathsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe";
constexpr wchar_t kChromeBeaconKey[] = L"SOFTWARE\\Google\\Chrome\\BLBeacon";
constexpr wchar_t kIeKey[] = L"SOFTWARE\\Microsoft\\Internet Explorer";

constexpr const wchar_t* kChromeLocations[] = {
    L"{commonpf}\\Chromium\\Application\\chrome.exe",
    L"{commonpf}\\Google\\Chrome\\Application\\chrome.exe",
    L"{localappdata}\\Chromium\\Application\\chrome.exe",
};

}  // namespace

bool OfferRuleEngine::RejectedByChrome(Package& offer) {
  if (!offer.requireChrome && !offer.rejectChrome) return false;
  std::vector<std::wstring> candidates;
  const PathMacroTable macros = settings_.GetPathMacros();
  for (const wchar_t* location : kChromeLocations) {
    candidates.push_back(ExpandPathMacros(location, macros));
  }
  std::wstring folder;
  if (ReadValueAsString(L"hkey_local_machine", kChromeAppPathsKey, L"Path", folder)) {
    candidates.push_back(folder + L"\\chrome.exe");
  }
  std::wstring beaconPath;
  if (ReadValueAsString(L"hkey_current_user", kChromeBeaconKey, L"Path", beaconPath)) {
    candidates.push_back(beaconPath);
  }
  bool present = false;
  for (const std::wstring& candidate : candidates) {
    if (FileExists(candidate, true)) {
      present = true;
      break;
    }
  }
  if (offer.requireChrome && !present) {
    ReportRejection(offer, "NO CHROME");
    return true;
  }
  if (offer.rejectChrome && present) {
    ReportRejection(offer, "HAVE CHROME");
    return true;
  }
  return false;
}

bool OfferRuleEngine::RejectedByIeVersion(Package& offer) {
  if (!offer.checkIeVersion) return false;
  std::wstring version;
  if (!ReadValueAsString(L"hkey_local_machine", kIeKey, L"Version", version)) return false;
  // Conversion errors end the walk.
  const float value = DecimalToFloat(version);
  if (90.0f > value * 10.0f) {
    ReportRejection(offer, "OLD IE VERSION");
    return true;
  }
  return false;
}

bool OfferRuleEngine::RejectedByPartnerDate(Package& offer) {
  if (!offer.partnerEnabled) return false;
  const std::size_t split = offer.partnerMarkerPath.rfind('\\');
  if (split == std::string::npos) return false;
  std::wstring keyPath;
  std::wstring valueName;
  platform::CodePages& codePages = platform_.codePages;
  const std::string keyText = offer.partnerMarkerPath.substr(0, split);
  const std::string nameText = offer.partnerMarkerPath.substr(split + 1);
  // A marker whose name cannot be converted cannot have been written.
  if ((!keyText.empty() && !codePages.ToWide(platform::kCpUtf8, keyText, keyPath)) ||
      (!nameText.empty() && !codePages.ToWide(platform::kCpUtf8, nameText, valueName))) {
    return false;
  }
  std::wstring stored;
  if (!ReadValueAsString(L"hkey_local_machine", keyPath, valueName, stored)) return false;

  // Today's local date as yyyymmdd; a date that cannot be had is empty and
  // orders before any marker, which keeps the offer hidden.
  std::wstring today;
  std::tm local{};
  if (platform_.clock.ToLocalTime(platform_.clock.UnixSeconds(), local)) {
    char text[32] = {};
    const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d", &local);
    today.assign(text, text + length);
  }
  if (today < stored) {
    ReportRejection(offer, "PN NO SHOW");
    return true;
  }
  return false;
}
