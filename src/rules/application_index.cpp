// The App Paths index of the "iapp" and "eapp" rules: every registered
// application name of HKLM and HKCU, in both views under WOW64, listed once
// per walk; an entry's executable path is read the first time it is asked
// for and kept.
#include <string>
#include <vector>

#include "rules/offer_rule_engine.h"
#include "rules/registry_access.h"
#include "rules/registry_paths.h"

void OfferRuleEngine::BuildApplicationIndex() {
  platform::Registry& registry = platform_.registry;
  std::vector<std::uint32_t> views{0};
  if (wow64_) views.push_back(platform::kKeyWow64_64Key);
  for (const platform::RegistryKey root :
       {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser}) {
    for (const std::uint32_t viewFlags : views) {
      platform::ScopedRegistryKey key(registry);
      if (registry.OpenKeyW(root, kAppPathsKey, platform::kKeyRead | viewFlags, key.Receive()) !=
          platform::kErrorSuccess) {
        continue;
      }
      try {
        for (const std::wstring& name : EnumerateSubkeys(registry, key.Get())) {
          applicationIndex_[name].push_back(ApplicationEntry{root, viewFlags, {}, false});
        }
      } catch (const win32::RegistryError&) {
        // A view that cannot be listed adds nothing.
      }
    }
  }
}

bool OfferRuleEngine::ApplicationFound(const std::wstring& name) {
  if (applicationIndex_.empty()) BuildApplicationIndex();
  const std::wstring lower = LowercaseRegistryText(name);
  const auto found = applicationIndex_.find(lower);
  if (found == applicationIndex_.end()) return false;
  platform::Registry& registry = platform_.registry;
  for (ApplicationEntry& entry : found->second) {
    if (!entry.resolved) {
      platform::ScopedRegistryKey key(registry);
      if (registry.OpenKeyW(entry.root, kAppPathsKey + lower, platform::kKeyRead | entry.viewFlags,
                            key.Receive()) == platform::kErrorSuccess) {
        try {
          entry.path = ReadRegistryString(registry, key.Get(), L"", L"");
        } catch (const win32::RegistryError&) {
          entry.path.clear();
        }
      }
      entry.resolved = true;
    }
    // A path registered in the 64-bit view names a 64-bit program's file.
    if (!entry.path.empty() && FileExists(entry.path, entry.viewFlags != 0)) return true;
  }
  return false;
}
