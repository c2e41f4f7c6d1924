// The one settings object of the process: wizard type, product identity,
// endpoints, folders, values from the configuration response and the user's
// choices. Created once (see app/win32/singletons.h); tests construct their
// own with fakes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "config/product_constants.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"

class Package;
class DecodedPicture;

constexpr std::int32_t kWizardUnknown = 0;
constexpr std::int32_t kWizardDlm = 1;
constexpr std::int32_t kWizardIsv = 2;

// Colours are Windows COLORREF values: 0x00BBGGRR.
using Colour = std::uint32_t;

struct ConfigurationPlatform {
  platform::FileSystem& files;
  platform::SystemInfo& system;
  platform::Registry& registry;
  platform::Clock& clock;
  platform::Dialogs& dialogs;
};

// Packages nothing else holds whose reports may still be under way (rejected
// offers): kept until their reports end, so that no one has to wait for them
// while the wizard runs. The wizard's exit waits for them (events/events.h).
// Any thread.
class PendingReports {
 public:
  PendingReports() = default;
  PendingReports(const PendingReports&) = delete;
  PendingReports& operator=(const PendingReports&) = delete;

  // Keeps `package`; drops the kept ones whose reports have ended.
  void Keep(std::shared_ptr<Package> package);
  // Blocks until every kept package's reports have ended.
  void WaitAll();
  std::size_t size() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Package>> packages_;
};

class ConfigurationManager {
 public:
  ConfigurationManager(const ProductConstants& constants, ConfigurationPlatform platform);
  ConfigurationManager(const ConfigurationManager&) = delete;
  ConfigurationManager& operator=(const ConfigurationManager&) = delete;

  // Computed on first use and kept for the run (empty results are retried).
  std::string GetSessionId();
  std::string GetMachineGuid();
  // The path macro table (name → folder), built on first use; callers expand
  // with their own copy.
  std::vector<std::pair<std::wstring, std::wstring>> GetPathMacros();

  std::int32_t wizardType = kWizardUnknown;
  bool brandedPages = true;
  bool optionPages = true;
  bool mainFailureAsInstalled = true;
  std::wstring productTitle;
  std::wstring mainSourceUrl;
  std::wstring installerObjectPath;
  std::wstring logoUrl;
  std::wstring privacyUrl;
  std::wstring termsUrl;
  std::wstring extraLinkUrl;
  std::wstring downloadFolder;
  std::wstring mainFileName;
  // The main product file's SHA-256 ("i"."sha256"), lower-case hex; empty
  // when the configuration names none.
  std::string mainSha256;
  std::wstring workFolder;
  std::wstring mainInstallArgs;
  std::array<bool, 8> optionChecks{};
  std::wstring productExePath;
  std::wstring productLaunchArgs;
  std::wstring productId;
  std::wstring launchPath;
  std::wstring programVersion;
  std::wstring configUrl;
  std::wstring eventsUrl;
  std::wstring publisher;
  std::wstring stubId;
  std::wstring channel;
  std::wstring flowCode;
  Colour pageColour = 0xFFFFFF;
  Colour barColour = 0x42BC7F;
  std::int32_t maxOffers = 0;
  std::int32_t extraOfferAllowance = 0;
  std::int32_t acceptedOfferCount = 0;
  std::wstring fileBaseUrl;
  std::wstring languageName;
  std::wstring localeName;
  std::string countryCode;
  std::string pubId;
  std::string ispb;
  std::vector<std::shared_ptr<Package>> acceptedOffers;
  std::vector<std::shared_ptr<Package>> shownOffers;
  std::shared_ptr<Package> mainPackage;
  PendingReports rejectedOffers;
  std::shared_ptr<DecodedPicture> logoImage;
  std::string sessionId;
  std::string machineGuid;
  std::vector<std::pair<std::wstring, std::wstring>> pathMacros;
  bool pathMacrosBuilt = false;
  bool closing = false;
  bool declined = false;

 private:
  void ApplyIsvConstants(const ProductConstants& constants);
  void ApplyDlmConstants();

  ConfigurationPlatform platform_;
  std::mutex identityMutex_;  // sessionId / machineGuid may be asked from any thread
  std::mutex pathMacrosMutex_;  // the first use may come from any thread
};

// Wizard name → type: "DLM" → 1, "ISV" → 2, anything else → 0.
std::int32_t WizardTypeFromName(const std::wstring& name);

// Who may change the working folder and what lands in it: SYSTEM and
// Administrators, nobody else, and nothing inherited from the user's
// temporary folder, which any process of the user can write. The installer
// runs elevated and starts what it downloads there.
constexpr wchar_t kWorkFolderSecurity[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// Unique names tried before giving up when each is taken in the meantime.
constexpr int kWorkFolderAttempts = 5;

// A fresh private folder "ISV<hex>.tmp" in the temporary folder, created by
// this call with kWorkFolderSecurity and held until the clean-up releases it;
// empty when it could not be created. A name that turns out to be taken (a
// folder or link planted between reserving the name and creating the folder)
// is never used.
std::wstring CreateWorkFolder(platform::FileSystem& files);

// The DLM download folder: Downloads, My Documents, the temporary folder, or
// "C:\" — the first that can be had.
std::wstring FindDlmDownloadFolder(platform::SystemInfo& system, platform::FileSystem& files);
