#include "rules/registry_paths.h"

#include <stdexcept>

namespace {

struct RootAlias {
  const wchar_t* alias;
  const wchar_t* rootName;
};

// Ordered by alias.
constexpr RootAlias kRootAliases[] = {
    {L"hkcc", L"hkey_current_config"}, {L"hkcr", L"hkey_classes_root"},
    {L"hkcu", L"hkey_current_user"},   {L"hklm", L"hkey_local_machine"},
    {L"hku", L"hkey_users"},
};

struct RootName {
  const wchar_t* name;
  platform::RegistryKey key;
};

constexpr RootName kRootNames[] = {
    {L"hkey_local_machine", platform::kHkeyLocalMachine},
    {L"hkey_current_user", platform::kHkeyCurrentUser},
    {L"hkey_classes_root", platform::kHkeyClassesRoot},
    {L"hkey_users", platform::kHkeyUsers},
    {L"hkey_current_config", platform::kHkeyCurrentConfig},
};

constexpr const wchar_t* kSoftwarePrefixes[] = {L"hkey_local_machine\\software\\",
                                                L"hkey_current_user\\software\\"};
constexpr const wchar_t* kSoftware32Prefixes[] = {L"hkey_local_machine\\software\\wow6432node\\",
                                                  L"hkey_current_user\\software\\wow6432node\\"};

bool BeginsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::vector<std::wstring> ExpandRegistryPath(const std::wstring& path, bool wow64) {
  if (path.empty()) return {};
  if (BeginsWith(path, L"hk")) {
    if (BeginsWith(path, L"hkey")) {
      for (const auto& root : kRootNames) {
        if (BeginsWith(path, std::wstring(root.name) + L"\\")) return {path};
      }
    }
    for (const auto& alias : kRootAliases) {
      const std::wstring aliasText = alias.alias;
      if (BeginsWith(path, aliasText + L"\\")) {
        return {alias.rootName + path.substr(aliasText.size())};
      }
    }
  }
  std::vector<std::wstring> candidates;
  for (const wchar_t* prefix : kSoftwarePrefixes) candidates.push_back(prefix + path);
  if (wow64) {
    for (const wchar_t* prefix : kSoftware32Prefixes) candidates.push_back(prefix + path);
  }
  return candidates;
}

bool BeginsWithSoftwarePrefix(const std::wstring& path) {
  for (const wchar_t* prefix : kSoftwarePrefixes) {
    if (BeginsWith(path, prefix)) return true;
  }
  return false;
}

bool SelectRegistryView(std::wstring& path, std::uint32_t& viewFlags, bool wow64) {
  const std::vector<std::wstring> pieces = SplitRegistryPath(path);
  if (pieces.size() < 3) throw std::out_of_range("registry path names no key below its branch");
  if (LowercaseRegistryText(pieces[2]) == L"wow6432node") {
    if (!wow64) return true;
    // Drop the branch component itself (it sits right after "root\software\")
    // when something follows it; the default view of a 32-bit process is that
    // branch already.
    const std::size_t start = pieces[0].size() + 1 + pieces[1].size() + 1;
    const std::size_t end = start + pieces[2].size();
    if (end < path.size()) path.erase(start, end - start + 1);
    return false;
  }
  if (wow64) viewFlags |= platform::kKeyWow64_64Key;
  return false;
}

platform::RegistryKey PredefinedKeyOf(const std::wstring& rootName) {
  for (const auto& root : kRootNames) {
    if (rootName == root.name) return root.key;
  }
  throw std::out_of_range("not a registry root name");
}

std::vector<std::wstring> SplitRegistryPath(const std::wstring& path) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) {
      pieces.push_back(path.substr(start));
      break;
    }
    pieces.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::wstring LowercaseRegistryText(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}
