// Decides, offer by offer in server order, which offers of one configuration
// response may be shown: the offers' flow limits against those accepted
// before, then the machine rules (registry, system requirements, installed
// and running software, browsers). One engine per walk over the offer array;
// it caches the machine facts it measured for the rest of that walk.
//
// A rejected offer is reported once as analytics event 2 with a fixed
// upper-case reason (see ReportRejection). Number conversion errors of
// "rvd", "cmdu" and the Internet Explorer version, an invalid "cmdu" root and
// a registry path with nothing below its branch are not caught: they leave
// CheckOffer and end the walk.
//
// Used by one thread only; not copyable.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "config/configuration_manager.h"
#include "config/package.h"
#include "platform/clock.h"
#include "platform/code_pages.h"
#include "platform/file_system.h"
#include "platform/machine_state.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "rules/subkey_cache.h"

// What the rules reach on the machine. Not owned.
struct OfferRulePlatform {
  platform::Registry& registry;
  platform::SystemInfo& system;
  platform::FileSystem& files;
  platform::MachineState& machine;
  platform::Clock& clock;
  platform::CodePages& codePages;
};

// One App Paths subkey as found when the index was built.
struct ApplicationEntry {
  platform::RegistryKey root = 0;  // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
  std::uint32_t viewFlags = 0;     // 0 or KEY_WOW64_64KEY
  std::wstring path;               // the default value, once resolved
  bool resolved = false;
};

// "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\"
extern const wchar_t kAppPathsKey[];

using PackageList = std::vector<std::shared_ptr<Package>>;

class OfferRuleEngine {
 public:
  // `maxOffers`: the response's "f"."m". `settings` gives the
  // extraOfferAllowance (read and raised here), the own programVersion and
  // the path macros.
  OfferRuleEngine(std::int32_t maxOffers, ConfigurationManager& settings,
                  const OfferRulePlatform& platform);
  OfferRuleEngine(const OfferRuleEngine&) = delete;
  OfferRuleEngine& operator=(const OfferRuleEngine&) = delete;

  // True when `offer` is accepted (already recorded here; the caller appends
  // it to `acceptedOffers`, which holds exactly the offers accepted before).
  // False when rejected (reported) or when the capacity is exhausted: then
  // `stop` is set and nothing is reported.
  bool CheckOffer(const std::shared_ptr<Package>& offer, bool& stop,
                  const PackageList& acceptedOffers);

  // Sends event 2 with {"13": reason} for the offer, unless the offers
  // accepted already reach max offers. Does not wait for the report.
  void ReportRejection(Package& offer, const std::string& reason);

  std::int32_t acceptedCount() const { return acceptedCount_; }

 private:
  // Each rule: true when the offer must be rejected, after reporting why.
  bool RejectedByFlowLimits(Package& offer, const PackageList& acceptedOffers);
  bool RejectedByVertical(Package& offer);
  bool RejectedByExclusive(Package& offer);
  void RecordAcceptance(Package& offer);

  // system_requirement_rules.cpp
  bool RejectedByDiskSpace(Package& offer);
  bool RejectedByRam(Package& offer);
  bool RejectedByCpu(Package& offer);
  bool RejectedByOsVersion(Package& offer);
  bool RejectedByPlatformVersion(Package& offer);
  bool RejectedBy64Bit(Package& offer);
  bool RejectedByFilesMustNotExist(Package& offer);
  bool RejectedByFilesAnyMustExist(Package& offer);

  // installed_software_rules.cpp
  bool RejectedByRegistry(Package& offer);
  bool RejectedByRegistryValues(Package& offer);
  bool RejectedByRegistryData(Package& offer);
  bool RejectedByRunningApps(Package& offer);
  bool RejectedByApplications(Package& offer);
  bool RejectedByUninstallTimes(Package& offer);
  bool AnyKeyExists(const std::vector<std::wstring>& paths);
  void FillRunningProcesses();

  // application_index.cpp
  void BuildApplicationIndex();
  bool ApplicationFound(const std::wstring& name);

  // browser_rules.cpp
  bool RejectedByChrome(Package& offer);
  bool RejectedByIeVersion(Package& offer);
  bool RejectedByPartnerDate(Package& offer);

  // PathFileExistsW. Under WOW64 `native` turns System32 redirection off for
  // the test, so that a path means the folder it names on 64-bit Windows.
  bool FileExists(const std::wstring& path, bool native);
  bool ReadValueAsString(const std::wstring& rootName, const std::wstring& keyPath,
                         const std::wstring& valueName, std::wstring& out);

  std::unordered_set<std::int32_t> acceptedVerticals_;
  std::vector<std::string> acceptedIds_;
  // The base-62 form of each accepted id (none: too long to encode), kept so
  // that an "ab" list costs no encoding per later offer.
  std::vector<std::optional<std::string>> acceptedIdKeys_;
  std::int32_t acceptedCount_ = 0;
  std::int32_t maxOffers_;
  std::vector<std::wstring> runningProcesses_;
  std::uint64_t freeDiskMiB_ = 0;
  bool freeDiskKnown_ = false;
  std::uint64_t totalRamMiB_ = 0;
  bool totalRamKnown_ = false;
  std::uint32_t cpuMhz_ = 0;
  bool cpuKnown_ = false;
  // Lowercase App Paths name → its entries in the order they were found.
  std::unordered_map<std::wstring, std::vector<ApplicationEntry>> applicationIndex_;
  SubkeyCache subkeyCache_;

  ConfigurationManager& settings_;
  OfferRulePlatform platform_;
  bool wow64_;
};
