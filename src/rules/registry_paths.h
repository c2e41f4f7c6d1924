// Registry paths as the offer rules write them, turned into full paths
// ("hkey_local_machine\software\vendor") and a registry view. Paths use a
// single backslash as separator; every prefix test is exact and
// case-sensitive, so callers lowercase first where a rule says so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

// Full paths a rule's path stands for: a root name or alias followed by a
// backslash gives one path (the alias replaced by its root name); anything
// else is relative to the SOFTWARE branch and gives HKLM and HKCU candidates,
// followed, under WOW64, by their 32-bit branch (wow6432node) twins. An empty
// path gives none.
std::vector<std::wstring> ExpandRegistryPath(const std::wstring& path, bool wow64);

// True when `path` begins with "hkey_local_machine\software\" or
// "hkey_current_user\software\".
bool BeginsWithSoftwarePrefix(const std::wstring& path);

// For a path that begins with a software prefix: chooses the view to read.
// A third component "wow6432node" names the 32-bit branch: under WOW64 it is
// dropped from `path` (a 32-bit process reads that branch by default) and the
// function returns false; on 32-bit Windows the branch does not exist and the
// function returns true (treat the key as absent). Any other path is read in
// the 64-bit view under WOW64 (KEY_WOW64_64KEY added to `viewFlags`).
// Throws std::out_of_range when the path has fewer than three components.
bool SelectRegistryView(std::wstring& path, std::uint32_t& viewFlags, bool wow64);

// The predefined key of a root name ("hkey_local_machine" → HKEY_LOCAL_MACHINE);
// throws std::out_of_range for a name that is not a root name.
platform::RegistryKey PredefinedKeyOf(const std::wstring& rootName);

// Components between backslashes, as a line reader splitting on "\" gives
// them: adjacent separators give an empty piece, a trailing one gives none.
std::vector<std::wstring> SplitRegistryPath(const std::wstring& path);

// A-Z to a-z; every other character unchanged.
std::wstring LowercaseRegistryText(std::wstring text);
