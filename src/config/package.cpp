#include "config/package.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "config/country_table.h"
#include "config/digests.h"
#include "config/identity.h"
#include "config/vellam_exception.h"
#include "install/download_manager.h"
#include "rules/path_macros.h"

namespace {

// "pxl" encodes machine GUID | offer id | session id in base 62, which takes
// time quadratic in its length; a longer identity (only a hostile answer
// sends one) counts as an encoding that failed.
constexpr std::size_t kMaxPixelIdentity = 1024;

// MultiByteToWideChar failed: the offer cannot be used.
[[noreturn]] void ConversionFailed() {
  throw std::runtime_error("MultiByteToWideChar() failed: 0");
}

std::wstring WideOrThrow(platform::CodePages& codePages, std::uint32_t codePage,
                         const std::string& text) {
  std::wstring wide;
  if (text.empty()) return wide;
  if (!codePages.ToWide(codePage, text, wide)) ConversionFailed();
  return wide;
}

std::wstring Utf8ToWide(platform::CodePages& codePages, const std::string& text) {
  return WideOrThrow(codePages, platform::kCpUtf8, text);
}

// A failed conversion gives empty text.
std::wstring AnsiToWide(platform::CodePages& codePages, const std::string& text) {
  std::wstring wide;
  if (!codePages.ToWide(platform::kCpThreadAcp, text, wide)) wide.clear();
  return wide;
}

std::string WideToAnsi(platform::CodePages& codePages, const std::wstring& text) {
  std::string narrow;
  if (!codePages.FromWide(platform::kCpThreadAcp, text, narrow)) narrow.clear();
  return narrow;
}

std::string WideToUtf8(platform::CodePages& codePages, const std::wstring& text) {
  std::string narrow;
  if (!codePages.FromWide(platform::kCpUtf8, text, narrow)) narrow.clear();
  return narrow;
}

// Numbers: an integer unchanged (wrapped to the width), a boolean as 0/1, a
// floating value truncated and saturated. Anything else throws
// JsonTypeError.
void ReadOptionalNumber(const JsonValue& object, const char* key, std::int32_t& field) {
  if (const JsonValue* value = object.Find(key)) field = value->ToInt32();
}

void ReadOptionalNumber(const JsonValue& object, const char* key, std::int64_t& field) {
  if (const JsonValue* value = object.Find(key)) field = value->ToInt64();
}

void ReadOptionalBool(const JsonValue& object, const char* key, bool& field) {
  if (const JsonValue* value = object.Find(key)) field = value->Boolean();
}

void ReadOptionalString(const JsonValue& object, const char* key, std::string& field) {
  if (const JsonValue* value = object.Find(key)) field = value->String();
}

// An array of texts; JsonTypeError for anything else.
std::vector<std::string> ReadStrings(const JsonValue& value) {
  std::vector<std::string> texts;
  for (const JsonValue& element : value.Elements()) texts.push_back(element.String());
  return texts;
}

std::vector<std::wstring> ReadWideStrings(platform::CodePages& codePages, const JsonValue& value) {
  std::vector<std::wstring> wide;
  for (const std::string& text : ReadStrings(value)) wide.push_back(Utf8ToWide(codePages, text));
  return wide;
}

UninstallCheck ReadUninstallCheck(platform::CodePages& codePages, const JsonValue& record) {
  UninstallCheck check;
  check.root = Utf8ToWide(codePages, record.At("utr").String());
  check.key = Utf8ToWide(codePages, record.At("utk").String());
  check.valueName = Utf8ToWide(codePages, record.At("utvn").String());
  check.valueType = Utf8ToWide(codePages, record.At("utvt").String());
  check.minDays = record.At("umd").ToInt32();
  ReadOptionalBool(record, "utms", check.valueInMilliseconds);
  return check;
}

std::string MajorMinor(platform::SystemInfo& system) {
  platform::OsVersion version;
  if (!system.QueryOsVersion(version)) return {};
  return std::to_string(version.major) + "." + std::to_string(version.minor);
}

// Registry names compare case-insensitively on Windows, including a few
// letters outside ASCII that fold onto ASCII ones (dotless and dotted I,
// long S, Kelvin sign); they fold here too, so none of them slips past a
// name comparison.
wchar_t FoldForCompare(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
  switch (c) {
    case 0x0130:
    case 0x0131: return L'i';
    case 0x017F: return L's';
    case 0x212A: return L'k';
    default: return c;
  }
}

// `name` is lower-case ASCII. Denied names compare loosely (any folding
// Windows might do counts as a match); the one allowed root compares
// strictly.
bool SameName(const std::wstring& component, const wchar_t* name, bool loose) {
  std::size_t i = 0;
  for (; i < component.size() && name[i] != L'\0'; ++i) {
    const wchar_t c = component[i];
    const wchar_t folded = loose                      ? FoldForCompare(c)
                           : (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a')
                                                      : c;
    if (folded != name[i]) return false;
  }
  return i == component.size() && name[i] == L'\0';
}

}  // namespace

bool ParameterTable::Insert(const std::string& key, const std::string& value) {
  if (Find(key)) return false;
  entries_.emplace_back(key, value);
  return true;
}

const std::string* ParameterTable::Find(const std::string& key) const {
  for (const Entry& entry : entries_) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

bool IsPartnerMarkerKeyAllowed(const std::wstring& keyPath) {
  std::vector<std::wstring> components;
  std::wstring current;
  for (const wchar_t c : keyPath) {
    // A zero would end the path early inside the Win32 call, after it was
    // checked here; other control characters have no business in a key.
    if (c < 0x20 || c == 0x7F) return false;
    if (c == L'\\') {
      components.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  components.push_back(current);
  for (const std::wstring& component : components) {
    // Leading, doubled and trailing backslashes show up as empty components.
    if (component.empty()) return false;
    if (component.find_first_not_of(L'.') == std::wstring::npos) return false;
  }
  if (!SameName(components[0], L"software", false)) return false;
  std::size_t next = 1;
  while (next < components.size() && SameName(components[next], L"wow6432node", true)) ++next;
  // The key must lie below SOFTWARE (or its 32-bit branch), not be it.
  if (next >= components.size()) return false;
  for (const wchar_t* denied : {L"microsoft", L"policies", L"classes"}) {
    if (SameName(components[next], denied, true)) return false;
  }
  return true;
}

Package::Package(std::shared_ptr<const PackageServices> services,
                 const EventTemplate& eventTemplate, const JsonValue& offer, bool isMainProduct,
                 const std::string& channelDefault, std::int32_t index)
    : eventTemplate(eventTemplate),
      isMainProduct(isMainProduct),
      channel(channelDefault),
      index(index),
      services_(std::move(services)) {
  FillCommonParameters();

  const JsonValue& ad = offer.At("ad");
  feedCode = ad.At("f").String();
  offerId = ad.At("o").String();
  ConfigurationManager& settings = services_->settings;
  const std::string machineGuid = settings.GetMachineGuid();
  const std::string sessionId = settings.GetSessionId();
  std::string pixel;
  const std::string identity = machineGuid + "|" + offerId + "|" + sessionId;
  if (identity.size() <= kMaxPixelIdentity) {
    try {
      pixel = Base62Encode(identity);
    } catch (const std::runtime_error&) {
      pixel.clear();
    }
  }
  params.Insert("pxl", pixel);
  params.Insert("of", feedCode);

  const JsonValue& ps = offer.At("ps");
  productId = ExpandPlaceholders(ps.At("i").String());
  displayName = ExpandPlaceholders(ps.At("dn").String());
  downloadUrl = ExpandPlaceholders(ps.At("u").String());

  ReadOptionalBool(ps, "pn", partnerEnabled);
  if (partnerEnabled) ReadPartnerBlock(ps);
  ReadDetails(ps);
  ReadLists(ps);
  BuildEventPayload();
}

Package::Package(std::shared_ptr<const PackageServices> services,
                 const EventTemplate& eventTemplate, bool isMainProduct, std::int32_t index,
                 const std::wstring& offerIdText, const std::wstring& feedCodeText,
                 const std::wstring& displayNameText, const std::wstring& channelText)
    : eventTemplate(eventTemplate),
      isMainProduct(isMainProduct),
      index(index),
      services_(std::move(services)) {
  SetMainProductTexts(offerIdText, feedCodeText, displayNameText, channelText);
  BuildEventPayload();
}

void Package::InitMainProduct(const EventTemplate& newTemplate, const std::wstring& offerIdText,
                              const std::wstring& feedCodeText, const std::wstring& displayNameText,
                              const std::wstring& channelText) {
  {
    // A sender copies the payload and headers under this lock.
    std::lock_guard<std::mutex> lock(eventMutex);
    eventTemplate = newTemplate;
    isMainProduct = true;
    SetMainProductTexts(offerIdText, feedCodeText, displayNameText, channelText);
    index = 0;
  }
  BuildEventPayload();
}

void Package::SetMainProductTexts(const std::wstring& offerIdText, const std::wstring& feedCodeText,
                                  const std::wstring& displayNameText,
                                  const std::wstring& channelText) {
  platform::CodePages& codePages = services_->codePages;
  offerId = WideToAnsi(codePages, offerIdText);
  feedCode = WideToAnsi(codePages, feedCodeText);
  displayName = WideToAnsi(codePages, displayNameText);
  channel = WideToAnsi(codePages, channelText);
}

void Package::FillCommonParameters() {
  ConfigurationManager& settings = services_->settings;
  const std::string machineGuid = settings.GetMachineGuid();
  if (!machineGuid.empty()) params.Insert("userid", machineGuid);
  const std::string sessionId = settings.GetSessionId();
  if (!sessionId.empty()) params.Insert("sessionid", sessionId);
  if (!settings.countryCode.empty()) params.Insert("cc", settings.countryCode);
  if (!settings.pubId.empty()) params.Insert("pubid", settings.pubId);
  if (!settings.ispb.empty()) params.Insert("ispb", settings.ispb);
  params.Insert("aflt", LookupAffiliateId(settings.countryCode));
  if (!settings.publisher.empty()) {
    params.Insert("account_md5",
                  Md5Hex(services_->crypto, services_->codePages, settings.publisher));
  }
}

void Package::ReadPartnerBlock(const JsonValue& ps) {
  ReadOptionalString(ps, "pnau", partnerApiUrl);
  ReadOptionalString(ps, "pnak", partnerApiKey);
  // Before any partner parameter exists.
  if (const JsonValue* marker = ps.Find("pnr")) {
    partnerMarkerPath = ExpandPlaceholders(marker->String());
  }
  ReadOptionalString(ps, "pnop", partnerOperation);
  ReadOptionalBool(ps, "pnsi", pnsiFlag);
  ReadOptionalString(ps, "la", laText);

  std::string perVersion;
  if (const JsonValue* texts = ps.Find("pnrp")) {
    (void)texts->Members();  // anything but an object is a type error
    const std::string version = MajorMinor(services_->system);
    if (const JsonValue* text = texts->Find(version)) {
      perVersion = text->String();
    } else if (const JsonValue* fallback = texts->Find("default")) {
      perVersion = fallback->String();
    }
  }
  params.Insert("pnrparam", perVersion);
  // After "pnrparam", before its own key exists: a stub text naming
  // "{pnstubparams}" keeps that placeholder literally.
  if (const JsonValue* stub = ps.Find("sp")) {
    stubParams = ExpandPlaceholders(stub->String());
  }
  params.Insert("pnstubparams", stubParams);
  params.Insert("pnapiurl", partnerApiUrl);
  params.Insert("pnapikey", partnerApiKey);
  params.Insert("pnop", partnerOperation);
  ConfigurationManager& settings = services_->settings;
  params.Insert("account", WideToUtf8(services_->codePages, settings.publisher));
  params.Insert("installer", WideToUtf8(services_->codePages, settings.productId));
  params.Insert("pnsid", GetEpochMillis(services_->clock));

  if (const JsonValue* cfs = ps.Find("cfs")) ReadFlowLimits(*cfs);
}

void Package::ReadFlowLimits(const JsonValue& cfs) {
  (void)cfs.Members();  // anything but an object is a type error
  ReadOptionalNumber(cfs, "mb", flowMaxBefore);
  if (const JsonValue* list = cfs.Find("ab")) flowAllowedBefore = ReadStrings(*list);
  ReadOptionalNumber(cfs, "ma", flowMaxAfter);
  if (const JsonValue* list = cfs.Find("aa")) flowAllowedAfter = ReadStrings(*list);
  ReadOptionalNumber(cfs, "mo", flowMaxOffers);
  ReadOptionalBool(cfs, "saad", skipAllAfterDecline);
  ReadOptionalBool(cfs, "sied", skipIfEarlierDeclined);
}

void Package::ReadDetails(const JsonValue& ps) {
  if (const JsonValue* value = ps.Find("p")) installArgs = ExpandPlaceholders(value->String());
  if (const JsonValue* value = ps.Find("cp")) privacyUrl = ExpandPlaceholders(value->String());
  if (const JsonValue* value = ps.Find("ctu")) termsUrl = ExpandPlaceholders(value->String());
  ReadOptionalString(ps, "sha256", sha256);
  for (char& c : sha256) {
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  }
  if (const JsonValue* value = ps.Find("v")) vertical = value->ToInt32();
  ReadOptionalBool(ps, "exc", exclusive);
  if (const JsonValue* value = ps.Find("c")) channel = ExpandPlaceholders(value->String());
  ReadOptionalNumber(ps, "disk", minDisk);
  ReadOptionalNumber(ps, "ram", minRam);
  ReadOptionalNumber(ps, "cpu", minCpu);
  ReadOptionalNumber(ps, "ov", minOsVersion);
  ReadOptionalString(ps, "pv", platformVersion);
  ReadOptionalBool(ps, "win64", requires64Bit);

  // Presets come last so that they override the figures above.
  std::int64_t preset = 0;
  ReadOptionalNumber(ps, "x", preset);
  switch (preset) {
    case 1:
      minDisk = 2500;
      minRam = 250;
      break;
    case 2:
      requireChrome = true;
      checkIeVersion = true;
      break;
    case 3:
      minDisk = 512;
      minRam = 1536;
      minCpu = 1500;
      break;
    case 10: requires64Bit = true; break;
    case 12: requireChrome = true; break;
    case 13: rejectChrome = true; break;
    default: break;
  }
}

void Package::ReadLists(const JsonValue& ps) {
  platform::CodePages& codePages = services_->codePages;
  const auto filePaths = [&](const char* key, std::vector<std::wstring>& field) {
    const JsonValue* list = ps.Find(key);
    if (!list) return;
    const PathMacroTable macros = services_->settings.GetPathMacros();
    for (const std::string& path : ReadStrings(*list)) {
      // File paths come through the ANSI code page, as the file rules read them.
      field.push_back(
          ExpandPathMacros(WideOrThrow(codePages, platform::kCpThreadAcp, path), macros));
    }
  };
  const auto wideList = [&](const char* key, std::vector<std::wstring>& field) {
    if (const JsonValue* list = ps.Find(key)) field = ReadWideStrings(codePages, *list);
  };
  filePaths("fe", filesMustNotExist);
  filePaths("ife", filesAnyMustExist);
  if (const JsonValue* list = ps.Find("a")) blockingApps = ReadStrings(*list);
  wideList("r", registryKeysMustNotExist);
  wideList("ir", registryKeysAnyMustExist);
  wideList("rvn", registryValuesMustNotExist);
  wideList("rvd", registryDataMustNotMatch);
  if (const JsonValue* list = ps.Find("cmdu")) {
    for (const JsonValue& record : list->Elements())
      uninstallChecks.push_back(ReadUninstallCheck(codePages, record));
  }
  wideList("eapp", excludeApps);
  wideList("iapp", includeApps);
}

std::string Package::ExpandPlaceholders(const std::string& text) const {
  std::string result = text;
  for (const auto& [key, value] : params.entries()) {
    const std::string placeholder = "{" + key + "}";
    std::size_t found = result.find(placeholder);
    if (found == std::string::npos) continue;
    // Built afresh rather than replaced in place, so that many placeholders
    // in a long text cost one pass, not one move of the rest each.
    std::string expanded;
    std::size_t from = 0;
    for (; found != std::string::npos; found = result.find(placeholder, from)) {
      if (expanded.size() + (found - from) + value.size() > kMaxExpandedText) {
        throw VellamException("Placeholder expansion larger than " +
                              std::to_string(kMaxExpandedText) + " bytes");
      }
      expanded.append(result, from, found - from);
      expanded += value;
      from = found + placeholder.size();
    }
    if (expanded.size() + (result.size() - from) > kMaxExpandedText) {
      throw VellamException("Placeholder expansion larger than " +
                            std::to_string(kMaxExpandedText) + " bytes");
    }
    expanded.append(result, from, std::string::npos);
    result.swap(expanded);
  }
  return result;
}

void Package::DownloadImage(std::function<void()> done) {
  const auto finish = [&done] {
    if (done) done();
  };
  const std::weak_ptr<Package> self = weak_from_this();
  if (isMainProduct || !services_->downloads || !services_->decodePicture || self.expired()) {
    finish();
    return;
  }
  const std::wstring name = AnsiToWide(services_->codePages, productId);
  if (name.empty()) {
    finish();
    return;
  }
  const std::wstring url = services_->settings.fileBaseUrl + name;
  PictureDecoder decode = services_->decodePicture;
  services_->downloads->DownloadToMemoryAsync(
      url, [self, decode, done](std::unique_ptr<DownloadManager::ByteBuffer> bytes) {
        try {
          if (bytes && !bytes->empty()) {
            if (const std::shared_ptr<Package> package = self.lock()) {
              std::shared_ptr<DecodedPicture> picture = decode(bytes->data(), bytes->size());
              if (picture) package->image = std::move(picture);
            }
          }
        } catch (...) {
          // A picture that cannot be had leaves the image empty; done still comes.
        }
        if (done) done();
      });
}

std::wstring Package::GetInstallArgs() const {
  return AnsiToWide(services_->codePages, installArgs);
}

bool Package::RecordPartnerShown() {
  const std::size_t split = partnerMarkerPath.rfind('\\');
  if (split == std::string::npos || split == 0) return false;
  std::wstring keyPath;
  std::wstring valueName;
  try {
    keyPath = Utf8ToWide(services_->codePages, partnerMarkerPath.substr(0, split));
    valueName = Utf8ToWide(services_->codePages, partnerMarkerPath.substr(split + 1));
  } catch (const std::runtime_error&) {
    return false;
  }
  // Written by an elevated process from a server's text: never policy or
  // system keys.
  if (!IsPartnerMarkerKeyAllowed(keyPath)) return false;
  if (valueName.find(L'\0') != std::wstring::npos) return false;

  platform::Clock& clock = services_->clock;
  std::tm local{};
  if (!clock.ToLocalTime(clock.UnixSeconds() + kPartnerMarkerDays * 86400LL, local)) return false;
  // The date read as the number yyyymmdd.
  const std::uint32_t date = static_cast<std::uint32_t>((local.tm_year + 1900) * 10000 +
                                                        (local.tm_mon + 1) * 100 + local.tm_mday);

  platform::Registry& registry = services_->registry;
  platform::ScopedRegistryKey key(registry);
  if (registry.CreateKeyExW(platform::kHkeyLocalMachine, keyPath, platform::kKeySetValue,
                            key.Receive()) != platform::kErrorSuccess) {
    return false;
  }
  std::uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(date >> (8 * i));
  return registry.SetValueExW(key.Get(), valueName, platform::kRegDword, bytes, sizeof bytes) ==
         platform::kErrorSuccess;
}

void ReleasePackagePictures(ConfigurationManager& settings) {
  for (const auto* list : {&settings.acceptedOffers, &settings.shownOffers}) {
    for (const std::shared_ptr<Package>& package : *list) {
      if (package) package->image.reset();
    }
  }
}
