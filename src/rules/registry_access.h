// Reading the registry for the offer rules: opening keys by full path,
// enumerating subkeys, testing and reading values. Operations that open a key
// close it before they return, on every path.
//
// Failures of the registry calls are raised as win32::RegistryError where the
// contract says "raises"; the operations the rules call directly
// (RegistryKeyExists, RegistryValueExists, RegistryValueType,
// RegistryValueEquals, ReadRegistryValueAsString) catch it and answer absent,
// 0 or false. Out-of-range paths and number conversion errors pass through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "rules/registry_error.h"
#include "rules/subkey_cache.h"

// Opens "rootname\rest" with RegOpenKeyExW(root, rest, 0, access). Throws
// RegistryError(kOpenKeyFailed, status); std::out_of_range for an unknown
// root name.
platform::ScopedRegistryKey OpenRegistryKey(platform::Registry& registry,
                                            const std::wstring& fullPath, std::uint32_t access);

// The direct subkeys' names, lowercased, in enumeration order. Throws
// RegistryError(kQueryInfoFailed or kEnumKeyFailed, status).
std::vector<std::wstring> EnumerateSubkeys(platform::Registry& registry, platform::RegistryKey key);

// A REG_SZ value of key\subKey (empty subKey: the key itself) without its
// terminating zero. Throws RegistryError(kReadStringFailed, status), for
// instance 1630 when the value is of another type.
std::wstring ReadRegistryString(platform::Registry& registry, platform::RegistryKey key,
                                const std::wstring& subKey, const std::wstring& valueName);

// REG_DWORD and REG_QWORD reads; throw RegistryError(kReadDwordFailed /
// kReadQwordFailed, status).
std::uint32_t ReadRegistryDword(platform::Registry& registry, platform::RegistryKey key,
                                const std::wstring& valueName);
std::uint64_t ReadRegistryQword(platform::Registry& registry, platform::RegistryKey key,
                                const std::wstring& valueName);

// Whether the value exists, of any type; a value that cannot be queried
// counts as absent.
bool RegistryValueExists(platform::Registry& registry, platform::RegistryKey key,
                         const std::wstring& valueName);

// The value's REG_* type; 0 when it cannot be read.
std::uint32_t RegistryValueType(platform::Registry& registry, platform::RegistryKey key,
                                const std::wstring& valueName);

// Compares the value's data with `expected` (lowercase text) by `type`:
// REG_SZ lowercased and compared as text, REG_DWORD and REG_QWORD compared
// with `expected` read as an unsigned decimal number; any other type, or a
// value that cannot be read, gives false. The number conversion's exceptions
// (see number_conversion.h) pass through.
bool RegistryValueEquals(platform::Registry& registry, std::uint32_t type,
                         platform::RegistryKey key, const std::wstring& valueName,
                         const std::wstring& expected);

// Whether the key at `fullPath` (as ExpandRegistryPath gives it) exists.
// Paths under a software prefix are first looked up in the cached subkey
// list of their branch, so a vendor that is not installed costs no open;
// other paths are opened directly. `wow64`: this process runs under WOW64.
bool RegistryKeyExists(platform::Registry& registry, bool wow64, SubkeyCache& cache,
                       const std::wstring& fullPath);

// Reads root\keyPath's value as text: REG_SZ as stored, REG_DWORD and
// REG_QWORD in decimal. Under WOW64 a key path beginning with "software" is
// also tried in the 32-bit branch. False when no candidate has a readable
// value of those types; `out` is then unchanged.
bool ReadRegistryValueAsString(platform::Registry& registry, bool wow64, SubkeyCache& cache,
                               const std::wstring& rootName, const std::wstring& keyPath,
                               const std::wstring& valueName, std::wstring& out);
