#include "config/identity.h"

#include <cstdint>
#include <cstring>

namespace {

std::string Join(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c);
}

}  // namespace

std::string GetProgramVersion(platform::SystemInfo& system) {
  platform::FileVersion version;
  if (!system.QueryOwnFileVersion(version)) return {};
  return Join(version.mostSignificant >> 16, version.mostSignificant & 0xFFFF,
              version.leastSignificant >> 16) +
         "." + std::to_string(version.leastSignificant & 0xFFFF);
}

std::string GetOsVersion(platform::SystemInfo& system) {
  platform::OsVersion version;
  if (!system.QueryOsVersion(version)) return {};
  return Join(version.major, version.minor, version.build);
}

bool IsWow64(platform::SystemInfo& system) {
  bool wow64 = false;
  return system.QueryWow64(wow64) && wow64;
}

std::wstring DownloadCodeFromPath(const std::wstring& executablePath) {
  // Only the file name carries the code: a folder such as "C:\x_a-b\" must
  // not lend it one.
  const auto separator = executablePath.find_last_of(L"\\/");
  const std::wstring fileName =
      separator == std::wstring::npos ? executablePath : executablePath.substr(separator + 1);
  const auto underscore = fileName.rfind(L'_');
  if (underscore == std::wstring::npos) return {};
  std::wstring code = fileName.substr(underscore + 1);
  const auto dot = code.rfind(L'.');
  if (dot != std::wstring::npos) code.erase(dot);
  if (code.size() != 7 || code.find(L'-') == std::wstring::npos) return {};
  return code;
}

std::wstring GetDownloadCode(platform::SystemInfo& system) {
  return DownloadCodeFromPath(system.OwnExecutablePath());
}

std::string GetEpochMillis(platform::Clock& clock) {
  return std::to_string(clock.UnixMillis());
}

std::string ComputeSessionId(platform::Clock& clock) {
  std::tm local{};
  if (!clock.ToLocalTime(clock.UnixSeconds(), local)) return {};
  char text[32] = {};
  if (std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local) == 0) return {};
  return text;
}

std::string ReadMachineGuid(platform::Registry& registry) {
  platform::ScopedRegistryKey key(registry);
  if (registry.OpenKeyA(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Cryptography",
                        platform::kKeyRead | platform::kKeyWow64_64Key,
                        key.Receive()) != platform::kErrorSuccess) {
    return {};
  }
  std::uint8_t buffer[255] = {};
  std::uint32_t size = sizeof buffer;
  if (registry.QueryValueA(key.Get(), "MachineGuid", buffer, size) != platform::kErrorSuccess) {
    return {};
  }
  // Never trust the returned size past the buffer's last guaranteed zero.
  if (size > sizeof buffer - 1) size = sizeof buffer - 1;
  const auto* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, strnlen(text, size));
}
