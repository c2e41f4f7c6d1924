#include "rules/registry_access.h"

#include <algorithm>

#include "config/decimal_text.h"
#include "rules/number_conversion.h"
#include "rules/registry_paths.h"

using platform::Registry;
using platform::RegistryKey;
using platform::ScopedRegistryKey;
using win32::RegistryError;

namespace {

struct SplitFullPath {
  std::wstring rootName;
  std::wstring rest;
};

SplitFullPath SplitAtFirstBackslash(const std::wstring& path) {
  const std::size_t separator = path.find(L'\\');
  if (separator == std::wstring::npos) return {path, {}};
  return {path.substr(0, separator), path.substr(separator + 1)};
}

ScopedRegistryKey OpenUnder(Registry& registry, RegistryKey parent, const std::wstring& subKey,
                            std::uint32_t access) {
  RegistryKey opened = 0;
  const long status = registry.OpenKeyW(parent, subKey, access, opened);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kOpenKeyFailed, static_cast<std::int32_t>(status));
  }
  ScopedRegistryKey key(registry);
  key.Receive() = opened;
  return key;
}

bool DirectKeyTest(Registry& registry, const std::wstring& path) {
  const SplitFullPath split = SplitAtFirstBackslash(path);
  const RegistryKey root = PredefinedKeyOf(split.rootName);
  try {
    OpenUnder(registry, root, split.rest, platform::kKeyRead);
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

bool CachedKeyTest(Registry& registry, bool wow64, SubkeyCache& cache, std::wstring path) {
  std::uint32_t viewFlags = 0;
  if (SelectRegistryView(path, viewFlags, wow64)) return false;

  const std::vector<std::wstring> pieces = SplitRegistryPath(path);
  const std::wstring& rootName = pieces[0];
  const std::wstring& branch = pieces[1];
  const RegistryKey root = PredefinedKeyOf(rootName);
  const std::uint32_t access = platform::kKeyRead | viewFlags;

  std::vector<std::wstring>& names = cache.Names(root, viewFlags, branch);
  if (names.empty()) {
    try {
      ScopedRegistryKey branchKey = OpenUnder(registry, root, branch, access);
      names = EnumerateSubkeys(registry, branchKey.Get());
    } catch (const RegistryError&) {
      return false;  // the list stays empty and is tried again next time
    }
  }

  const std::wstring rest = path.substr(rootName.size() + 1 + branch.size() + 1);
  const std::wstring child = rest.substr(0, rest.find(L'\\'));
  if (std::find(names.begin(), names.end(), child) == names.end()) return false;

  try {
    ScopedRegistryKey branchKey = OpenUnder(registry, root, branch, access);
    OpenUnder(registry, branchKey.Get(), rest, access);
    return true;
  } catch (const RegistryError&) {
    return false;
  }
}

}  // namespace

ScopedRegistryKey OpenRegistryKey(Registry& registry, const std::wstring& fullPath,
                                  std::uint32_t access) {
  const SplitFullPath split = SplitAtFirstBackslash(fullPath);
  return OpenUnder(registry, PredefinedKeyOf(split.rootName), split.rest, access);
}

std::vector<std::wstring> EnumerateSubkeys(Registry& registry, RegistryKey key) {
  std::uint32_t count = 0;
  std::uint32_t longest = 0;
  long status = registry.QueryInfoKeyW(key, count, longest);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kQueryInfoFailed, static_cast<std::int32_t>(status));
  }
  std::vector<wchar_t> buffer(static_cast<std::size_t>(longest) + 1);
  std::vector<std::wstring> names;
  names.reserve(count);
  for (std::uint32_t index = 0; index < count; ++index) {
    std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
    status = registry.EnumKeyExW(key, index, buffer.data(), length);
    if (status != platform::kErrorSuccess) {
      throw RegistryError(win32::kEnumKeyFailed, static_cast<std::int32_t>(status));
    }
    length = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(buffer.size()));
    names.push_back(LowercaseRegistryText(std::wstring(buffer.data(), length)));
  }
  return names;
}

std::wstring ReadRegistryString(Registry& registry, RegistryKey key, const std::wstring& subKey,
                                const std::wstring& valueName) {
  std::uint32_t bytes = 0;
  long status =
      registry.GetValueW(key, subKey, valueName, platform::kRrfRtRegSz, nullptr, nullptr, &bytes);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kReadStringFailed, static_cast<std::int32_t>(status));
  }
  // A value stored with no data at all reports no room even for the zero.
  if (bytes < sizeof(wchar_t)) return {};
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t));
  status = registry.GetValueW(key, subKey, valueName, platform::kRrfRtRegSz, nullptr,
                              buffer.data(), &bytes);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kReadStringFailed, static_cast<std::int32_t>(status));
  }
  // The second call reports what it actually stored, terminating zero included.
  std::size_t length = std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size());
  if (length > 0 && buffer[length - 1] == L'\0') --length;
  return std::wstring(buffer.data(), length);
}

std::uint32_t ReadRegistryDword(Registry& registry, RegistryKey key, const std::wstring& valueName) {
  std::uint32_t value = 0;
  std::uint32_t size = sizeof value;
  const long status =
      registry.GetValueW(key, L"", valueName, platform::kRrfRtRegDword, nullptr, &value, &size);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kReadDwordFailed, static_cast<std::int32_t>(status));
  }
  return value;
}

std::uint64_t ReadRegistryQword(Registry& registry, RegistryKey key, const std::wstring& valueName) {
  std::uint64_t value = 0;
  std::uint32_t size = sizeof value;
  const long status =
      registry.GetValueW(key, L"", valueName, platform::kRrfRtRegQword, nullptr, &value, &size);
  if (status != platform::kErrorSuccess) {
    throw RegistryError(win32::kReadQwordFailed, static_cast<std::int32_t>(status));
  }
  return value;
}

bool RegistryValueExists(Registry& registry, RegistryKey key, const std::wstring& valueName) {
  // Not found (2) is the expected "no"; any other failure cannot tell and is
  // answered the same way.
  return registry.GetValueW(key, L"", valueName, platform::kRrfRtAny, nullptr, nullptr,
                            nullptr) == platform::kErrorSuccess;
}

std::uint32_t RegistryValueType(Registry& registry, RegistryKey key,
                                const std::wstring& valueName) {
  std::uint32_t type = 0;
  if (registry.QueryValueExW(key, valueName, &type, nullptr, nullptr) != platform::kErrorSuccess) {
    return 0;
  }
  return type;
}

bool RegistryValueEquals(Registry& registry, std::uint32_t type, RegistryKey key,
                         const std::wstring& valueName, const std::wstring& expected) {
  switch (type) {
    case platform::kRegSz: {
      std::wstring stored;
      try {
        stored = LowercaseRegistryText(ReadRegistryString(registry, key, L"", valueName));
      } catch (const RegistryError&) {
        return false;
      }
      return stored == expected;
    }
    case platform::kRegDword: {
      std::uint32_t stored = 0;
      try {
        stored = ReadRegistryDword(registry, key, valueName);
      } catch (const RegistryError&) {
        return false;
      }
      return stored == DecimalToULong(expected);
    }
    case platform::kRegQword: {
      std::uint64_t stored = 0;
      try {
        stored = ReadRegistryQword(registry, key, valueName);
      } catch (const RegistryError&) {
        return false;
      }
      return stored == DecimalToULongLong(expected);
    }
    default:
      return false;
  }
}

bool RegistryKeyExists(Registry& registry, bool wow64, SubkeyCache& cache,
                       const std::wstring& fullPath) {
  if (BeginsWithSoftwarePrefix(fullPath)) return CachedKeyTest(registry, wow64, cache, fullPath);
  return DirectKeyTest(registry, fullPath);
}

bool ReadRegistryValueAsString(Registry& registry, bool wow64, SubkeyCache& cache,
                               const std::wstring& rootName, const std::wstring& keyPath,
                               const std::wstring& valueName, std::wstring& out) {
  std::vector<std::wstring> candidates{rootName + L"\\" + keyPath};
  if (wow64 && keyPath.compare(0, 8, L"software") == 0) {
    candidates.push_back(rootName + L"\\" + keyPath.substr(0, 8) + L"\\wow6432node" +
                         keyPath.substr(8));
  }
  for (std::wstring& candidate : candidates) {
    if (!RegistryKeyExists(registry, wow64, cache, candidate)) continue;
    std::uint32_t access = platform::kKeyRead;
    if (BeginsWithSoftwarePrefix(candidate) && SelectRegistryView(candidate, access, wow64)) {
      continue;
    }
    try {
      ScopedRegistryKey key = OpenRegistryKey(registry, candidate, access);
      if (!RegistryValueExists(registry, key.Get(), valueName)) continue;
      std::wstring text;
      switch (RegistryValueType(registry, key.Get(), valueName)) {
        case platform::kRegSz:
          text = ReadRegistryString(registry, key.Get(), L"", valueName);
          break;
        case platform::kRegDword:
          text = ToDecimal(ReadRegistryDword(registry, key.Get(), valueName));
          break;
        case platform::kRegQword:
          text = ToDecimal(ReadRegistryQword(registry, key.Get(), valueName));
          break;
        default:
          continue;
      }
      out = text;
      return true;
    } catch (const RegistryError&) {
      continue;
    }
  }
  return false;
}
