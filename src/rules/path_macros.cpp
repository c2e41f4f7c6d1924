#include "rules/path_macros.h"

#include <cwchar>

#include "config/identity.h"

namespace {

constexpr std::uint32_t kEnvironmentBufferChars = 260;

std::wstring KnownFolderOrEmpty(platform::SystemInfo& system, const platform::KnownFolderId& id) {
  std::wstring path;
  if (!system.KnownFolder(id, path)) return {};
  return path;
}

}  // namespace

PathMacroTable BuildPathMacroTable(platform::SystemInfo& system) {
  PathMacroTable table;
  table.emplace_back(L"commonpf", IsWow64(system) ? L"{commonpf64}" : L"{commonpf32}");
  table.emplace_back(L"localappdata", KnownFolderOrEmpty(system, platform::kFolderIdLocalAppData));
  table.emplace_back(L"commonappdata",
                     KnownFolderOrEmpty(system, platform::kFolderIdRoamingAppData));
  table.emplace_back(L"programdata", KnownFolderOrEmpty(system, platform::kFolderIdProgramData));
  table.emplace_back(L"commonpf32",
                     KnownFolderOrEmpty(system, platform::kFolderIdProgramFilesX86));
  if (IsWow64(system)) {
    wchar_t buffer[kEnvironmentBufferChars] = {};
    const std::uint32_t length =
        system.ReadEnvironmentVariable(L"ProgramW6432", buffer, kEnvironmentBufferChars);
    if (length >= 1 && length <= kEnvironmentBufferChars) {
      table.emplace_back(L"commonpf64", std::wstring(buffer, wcsnlen(buffer, kEnvironmentBufferChars)));
    }
  }
  return table;
}

std::wstring ExpandPathMacros(const std::wstring& text, const PathMacroTable& table) {
  std::wstring result = text;
  for (const auto& [name, value] : table) {
    const std::wstring token = L"{" + name + L"}";
    for (std::size_t at = result.find(token); at != std::wstring::npos;
         at = result.find(token, at + value.size())) {
      result.replace(at, token.size(), value);
    }
  }
  return result;
}
