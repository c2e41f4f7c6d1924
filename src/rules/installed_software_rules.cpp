// Software already on the machine: registry keys, values and value data,
// running applications, registered applications and the time since an
// uninstall. Registry failures count as "absent" here; number conversion
// errors and an invalid root leave the rule (see offer_rule_engine.h).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "rules/number_conversion.h"
#include "rules/offer_rule_engine.h"
#include "rules/registry_access.h"
#include "rules/registry_paths.h"

namespace {

constexpr std::uint64_t kSecondsPerDay = 86400;

struct SplitAtLast {
  std::wstring head;
  std::wstring tail;
};

SplitAtLast SplitAtLastBackslash(const std::wstring& path) {
  const std::size_t separator = path.rfind(L'\\');
  if (separator == std::wstring::npos) return {path, {}};
  return {path.substr(0, separator), path.substr(separator + 1)};
}

std::size_t CountDots(const std::wstring& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), L'.'));
}

}  // namespace

bool OfferRuleEngine::AnyKeyExists(const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    const std::vector<std::wstring> candidates =
        ExpandRegistryPath(LowercaseRegistryText(path), wow64_);
    // An empty entry ends the search: none exists, whatever follows.
    if (candidates.empty()) return false;
    for (const std::wstring& candidate : candidates) {
      if (RegistryKeyExists(platform_.registry, wow64_, subkeyCache_, candidate)) return true;
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedByRegistry(Package& offer) {
  if (!offer.registryKeysMustNotExist.empty() && AnyKeyExists(offer.registryKeysMustNotExist)) {
    ReportRejection(offer, "REGISTRY KEY EXISTS");
    return true;
  }
  if (!offer.registryKeysAnyMustExist.empty() && !AnyKeyExists(offer.registryKeysAnyMustExist)) {
    ReportRejection(offer, "NONE OF THE REGISTRY KEYS EXISTS");
    return true;
  }
  return RejectedByRegistryValues(offer) || RejectedByRegistryData(offer);
}

bool OfferRuleEngine::RejectedByRegistryValues(Package& offer) {
  platform::Registry& registry = platform_.registry;
  for (const std::wstring& entry : offer.registryValuesMustNotExist) {
    const std::vector<std::wstring> candidates =
        ExpandRegistryPath(LowercaseRegistryText(entry), wow64_);
    if (candidates.empty()) return false;  // an empty entry ends the rule
    for (const std::wstring& candidate : candidates) {
      SplitAtLast split = SplitAtLastBackslash(candidate);
      if (!RegistryKeyExists(registry, wow64_, subkeyCache_, split.head)) continue;
      std::uint32_t access = platform::kKeyRead;
      if (BeginsWithSoftwarePrefix(split.head) && SelectRegistryView(split.head, access, wow64_)) {
        continue;
      }
      try {
        const platform::ScopedRegistryKey key = OpenRegistryKey(registry, split.head, access);
        if (RegistryValueExists(registry, key.Get(), split.tail)) {
          ReportRejection(offer, "REGISTRY VALUE EXISTS");
          return true;
        }
      } catch (const win32::RegistryError&) {
        continue;
      }
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedByRegistryData(Package& offer) {
  platform::Registry& registry = platform_.registry;
  for (const std::wstring& entry : offer.registryDataMustNotMatch) {
    // key path\value name\data, the data lowercased with the rest.
    for (const std::wstring& candidate : ExpandRegistryPath(LowercaseRegistryText(entry), wow64_)) {
      const SplitAtLast data = SplitAtLastBackslash(candidate);
      SplitAtLast value = SplitAtLastBackslash(data.head);
      if (!RegistryKeyExists(registry, wow64_, subkeyCache_, value.head)) continue;
      std::uint32_t access = platform::kKeyRead;
      if (BeginsWithSoftwarePrefix(value.head) && SelectRegistryView(value.head, access, wow64_)) {
        continue;
      }
      try {
        const platform::ScopedRegistryKey key = OpenRegistryKey(registry, value.head, access);
        if (!RegistryValueExists(registry, key.Get(), value.tail)) continue;
        const std::uint32_t type = RegistryValueType(registry, key.Get(), value.tail);
        if (type != 0 && RegistryValueEquals(registry, type, key.Get(), value.tail, data.tail)) {
          ReportRejection(offer, "REGISTRY VALUE DATA MATCHES");
          return true;
        }
      } catch (const win32::RegistryError&) {
        continue;
      }
    }
  }
  return false;
}

void OfferRuleEngine::FillRunningProcesses() {
  platform::MachineState& machine = platform_.machine;
  const platform::SnapshotHandle snapshot = machine.CreateSnapshot(platform::kTh32csSnapProcess, 0);
  if (snapshot == platform::kInvalidSnapshot) return;
  std::wstring exeFile;
  for (bool more = machine.FirstProcess(snapshot, exeFile); more;
       more = machine.NextProcess(snapshot, exeFile)) {
    runningProcesses_.push_back(exeFile);
  }
  machine.CloseSnapshot(snapshot);
}

bool OfferRuleEngine::RejectedByRunningApps(Package& offer) {
  if (offer.blockingApps.empty()) return false;
  if (runningProcesses_.empty()) FillRunningProcesses();
  for (const std::string& app : offer.blockingApps) {
    std::wstring entry;
    // An entry that cannot be converted names no process.
    if (!platform_.codePages.ToWide(platform::kCpThreadAcp, app, entry)) continue;
    const std::size_t dots = CountDots(entry);
    for (const std::wstring& process : runningProcesses_) {
      std::wstring name = process;
      // The entry may leave out the extension: one is dropped, once.
      if (CountDots(name) > dots) name.erase(name.rfind(L'.'));
      if (name == entry) {
        ReportRejection(offer, "APPLICATION RUNNING");
        return true;
      }
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedByApplications(Package& offer) {
  for (const std::wstring& app : offer.includeApps) {
    if (!ApplicationFound(app)) {
      ReportRejection(offer, "REGISTRY INCLUDE APP NOT FOUND");
      return true;
    }
  }
  for (const std::wstring& app : offer.excludeApps) {
    if (ApplicationFound(app)) {
      ReportRejection(offer, "REGISTRY EXCLUDE APP FOUND");
      return true;
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedByUninstallTimes(Package& offer) {
  for (const UninstallCheck& check : offer.uninstallChecks) {
    std::wstring stored;
    // A root outside the five root names raises std::out_of_range here.
    if (!ReadValueAsString(LowercaseRegistryText(check.root), LowercaseRegistryText(check.key),
                           LowercaseRegistryText(check.valueName), stored)) {
      continue;
    }
    std::uint64_t uninstalled = DecimalToULongLong(stored);
    if (check.valueInMilliseconds) uninstalled /= 1000;
    const auto now = static_cast<std::uint64_t>(platform_.clock.UnixSeconds());
    // The true product even past the signed 32-bit range (more than 24855
    // days), so a very long wait never wraps into none; a negative count
    // moves the time back.
    const auto wait = static_cast<std::uint64_t>(static_cast<std::int64_t>(check.minDays) *
                                                 static_cast<std::int64_t>(kSecondsPerDay));
    if (now < uninstalled + wait) {
      ReportRejection(offer, "MIN DAYS UNINSTALL CHECKER");
      return true;
    }
  }
  return false;
}
