// One installable thing: the main product, or one offer from the
// configuration response ("o" elements). Holds what the pages show, where
// the installer comes from and how it runs, the eligibility data the offer
// rules read, the partner block and flow limits, the placeholder table for
// server texts, and the package's own analytics state.
//
// Always held by shared_ptr. Releasing the last reference waits until none
// of the package's event reports is still being sent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>


#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "json/json_value.h"
#include "events/event_template.h"
#include "platform/clock.h"
#include "platform/code_pages.h"
#include "platform/crypto.h"
#include "platform/registry.h"
#include "platform/system_info.h"

class DownloadManager;
class DecodedPicture;

// Decodes a picture held in memory; empty when it cannot. The real one is
// GDI+ behind the window code (ui/image_control.h).
using PictureDecoder =
    std::function<std::shared_ptr<DecodedPicture>(const std::uint8_t* data, std::size_t size)>;

// Everything a Package reaches outside itself. One per process in the
// installer (app/win32/package_services.h); tests build their own.
struct PackageServices {
  // Not owned: the settings hold packages (offer lists, main product), so a
  // shared reference here would keep both alive for ever.
  ConfigurationManager& settings;
  platform::SystemInfo& system;
  platform::CodePages& codePages;
  platform::Crypto& crypto;
  platform::Clock& clock;  // "pnsid" and the partner marker's date
  platform::Registry& registry;
  JsonSender& eventSender;
  // The pause between report attempts, in milliseconds. Called from sender
  // threads, several at once.
  std::function<void(std::uint32_t)> eventPause;
  // Not owned either (it holds the settings); must be owned by a shared_ptr
  // elsewhere. Null: no pictures are fetched.
  DownloadManager* downloads;
  PictureDecoder decodePicture;  // empty: pictures stay empty
};

// Placeholder values by key. A key is inserted once (later insertions are
// ignored); iteration is in insertion order, which is also the order in
// which placeholders are expanded.
class ParameterTable {
 public:
  using Entry = std::pair<std::string, std::string>;

  // False when the key was already there (its value is kept).
  bool Insert(const std::string& key, const std::string& value);
  // Null when there is no such key.
  const std::string* Find(const std::string& key) const;
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

// An expanded text longer than this ends the offer's construction (a
// VellamException): placeholders whose values name other placeholders could
// otherwise multiply a few kilobytes of response into gigabytes.
constexpr std::size_t kMaxExpandedText = 4 * 1024 * 1024;

// One "cmdu" record: an uninstall entry whose date value must be old enough.
struct UninstallCheck {
  std::wstring root;
  std::wstring key;
  std::wstring valueName;
  std::wstring valueType;
  std::int32_t minDays = 0;
  bool valueInMilliseconds = false;
};

constexpr std::int32_t kNoFlowLimit = 2147483647;
// The partner marker holds the local date this many days ahead.
constexpr int kPartnerMarkerDays = 180;

class Package : public std::enable_shared_from_this<Package> {
 public:
  // An offer from one "o" element. Throws JsonTypeError for a
  // missing required key or a value of the wrong type, std::runtime_error
  // ("MultiByteToWideChar() failed: N") when a text cannot be converted, and
  // VellamException for an expansion above kMaxExpandedText; nothing else.
  Package(std::shared_ptr<const PackageServices> services, const EventTemplate& eventTemplate,
          const JsonValue& offer, bool isMainProduct, const std::string& channelDefault,
          std::int32_t index);
  // The main product: no eligibility data; the texts as InitMainProduct
  // takes them.
  Package(std::shared_ptr<const PackageServices> services, const EventTemplate& eventTemplate,
          bool isMainProduct, std::int32_t index, const std::wstring& offerId,
          const std::wstring& feedCode, const std::wstring& displayName,
          const std::wstring& channel);
  // Waits until no report of this package is being sent.
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  // Refills the main product once the configuration is known: a new
  // template, the four texts through the thread's ANSI code page, index 0,
  // a new event payload.
  void InitMainProduct(const EventTemplate& eventTemplate, const std::wstring& offerId,
                       const std::wstring& feedCode, const std::wstring& displayName,
                       const std::wstring& channel);

  // Every "{key}" of the parameter table replaced by its value, key by key
  // in table order, left to right; a value is not scanned again for its own
  // key. Unknown keys stay as they are. Throws VellamException when the
  // result would exceed kMaxExpandedText.
  std::string ExpandPlaceholders(const std::string& text) const;

  // Fetches the offer picture (fileBaseUrl + productId) on a download thread
  // and decodes it into `image`; calls `done` exactly once, at once for the
  // main product or when nothing can be fetched, else on that thread. The
  // package must be held by a shared_ptr (the download only keeps a weak
  // reference: a package released meanwhile gets no picture).
  void DownloadImage(std::function<void()> done);

  // The offer installer's command line, through the thread's ANSI code page.
  std::wstring GetInstallArgs() const;

  // Writes the "shown" marker: HKLM\<key path>, value <value name> (split
  // at the last backslash of partnerMarkerPath), REG_DWORD of the local date
  // 180 days ahead as yyyymmdd. False, writing nothing, for a key the
  // server may not set (see IsPartnerMarkerKeyAllowed) or when any step
  // fails.
  bool RecordPartnerShown();

  // The payload of this package's reports: the template's plus the package
  // keys ("5", "10", "16", "17", "18").
  void BuildEventPayload();
// <windows.h> defines ReportEvent as ReportEventW (the event log call): the
// member keeps its own name here whatever was included before, and window
// code, where the macro turns a call into ReportEventW, reaches it through
// the forwarder below.
#pragma push_macro("ReportEvent")
#undef ReportEvent
  // Starts one report on its own detached thread; nothing once a final
  // report was delivered. `extra` is an object of event-specific members or
  // null.
  void ReportEvent(std::int32_t code, const JsonValue& extra);
  void ReportEventW(std::int32_t code, const JsonValue& extra) { ReportEvent(code, extra); }
#pragma pop_macro("ReportEvent")
  // Blocks until none of this package's reports is being sent.
  void WaitForEvents();

  // Analytics state (guarded by eventMutex, except eventsClosed).
  std::mutex eventMutex;
  std::condition_variable eventsDone;
  std::int32_t pendingEvents = 0;
  EventTemplate eventTemplate;

  bool isMainProduct = false;
  std::string displayName;
  std::string offerId;
  std::string feedCode;
  std::string channel;
  std::string productId;
  std::string downloadUrl;
  std::string installArgs;
  // The SHA-256 of the installer file, in hex, when the server names one:
  // a file with another digest is never started. Lower case.
  std::string sha256;
  std::string privacyUrl;
  std::string termsUrl;
  std::atomic<std::int32_t> vertical{0};
  std::int64_t minDisk = 0;
  std::int64_t minRam = 0;
  std::int64_t minCpu = 0;
  std::int32_t minOsVersion = 0;
  std::string platformVersion;
  bool requires64Bit = false;
  std::int32_t index = 0;
  // Written by sender threads, read when a report starts.
  std::atomic<bool> eventsClosed{false};
  JsonValue eventPayload = JsonValue::MakeObject();
  std::shared_ptr<DecodedPicture> image;
  ParameterTable params;
  std::vector<std::wstring> filesMustNotExist;
  std::vector<std::wstring> filesAnyMustExist;
  std::vector<std::string> blockingApps;
  std::vector<std::wstring> registryKeysMustNotExist;
  std::vector<std::wstring> registryKeysAnyMustExist;
  std::vector<std::wstring> registryValuesMustNotExist;
  std::vector<std::wstring> registryDataMustNotMatch;
  std::vector<std::wstring> excludeApps;
  std::vector<std::wstring> includeApps;
  bool exclusive = false;
  bool requireChrome = false;
  bool rejectChrome = false;
  bool checkIeVersion = false;
  std::vector<UninstallCheck> uninstallChecks;

  // Partner block ("pn" true).
  bool partnerEnabled = false;
  std::string partnerApiUrl;
  std::string partnerApiKey;
  std::string partnerMarkerPath;
  std::string partnerOperation;
  bool pnsiFlag = false;
  std::string stubParams;
  std::string laText;
  std::int32_t flowMaxBefore = kNoFlowLimit;
  std::vector<std::string> flowAllowedBefore;
  std::int32_t flowMaxAfter = kNoFlowLimit;
  std::vector<std::string> flowAllowedAfter;
  std::int32_t flowMaxOffers = kNoFlowLimit;
  bool skipAllAfterDecline = false;
  bool skipIfEarlierDeclined = false;

 private:
  void FillCommonParameters();
  void ReadPartnerBlock(const JsonValue& ps);
  void ReadFlowLimits(const JsonValue& cfs);
  void ReadDetails(const JsonValue& ps);
  void ReadLists(const JsonValue& ps);
  void SetMainProductTexts(const std::wstring& offerIdText, const std::wstring& feedCodeText,
                           const std::wstring& displayNameText, const std::wstring& channelText);
  // The sender thread's work for one report.
  void SendReport(std::int32_t code, const JsonValue& extra);
  void EndReport();

  std::shared_ptr<const PackageServices> services_;
};

// Whether the partner marker may be written under HKLM\keyPath: a key below
// SOFTWARE (ASCII case ignored), never SOFTWARE itself, never below
// SOFTWARE\Microsoft, SOFTWARE\Policies, SOFTWARE\Classes or the same under
// SOFTWARE\WOW6432Node, and no path trick (leading, doubled or trailing
// backslashes, "." or ".." components, control characters).
bool IsPartnerMarkerKeyAllowed(const std::wstring& keyPath);

// Drops the pictures of the accepted and shown offers, so that none outlives
// the picture library's shut-down.
void ReleasePackagePictures(ConfigurationManager& settings);
