// Hardware and system requirements of an offer: free disk space, physical
// memory, processor speed, Windows version, the installer's own version,
// 64-bit Windows, and files that must or must not exist.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "rules/offer_rule_engine.h"

namespace {

constexpr char kCpuKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

// strtol(piece, 10) as Windows' C library does it, where long is 32 bits:
// leading blanks and one sign, digits up to the first other character, no
// digit gives 0, out of range saturates.
template <typename Char>
std::int32_t PieceToLong(const std::basic_string<Char>& piece) {
  std::size_t i = 0;
  while (i < piece.size() && (piece[i] == ' ' || (piece[i] >= '\t' && piece[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
    negative = piece[i] == '-';
    ++i;
  }
  std::int64_t value = 0;
  const std::int64_t bound = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
  for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
    value = value * 10 + (piece[i] - '0');
    if (value > bound) value = bound;  // saturated; keeps reading as strtol does
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

// The version's pieces between dots, empty pieces skipped.
template <typename Char>
std::vector<std::int32_t> VersionNumbers(const std::basic_string<Char>& text) {
  std::vector<std::int32_t> numbers;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(static_cast<Char>('.'), start);
    if (end == std::basic_string<Char>::npos) end = text.size();
    if (end > start) numbers.push_back(PieceToLong(text.substr(start, end - start)));
    start = end + 1;
  }
  return numbers;
}

}  // namespace

bool OfferRuleEngine::RejectedByDiskSpace(Package& offer) {
  if (offer.minDisk == 0) return false;
  if (!freeDiskKnown_) {
    // The drive that holds the default user profile.
    std::wstring desktop;
    if (!platform_.machine.DefaultUserKnownFolder(platform::kFolderIdDesktop, desktop)) {
      desktop.clear();
    }
    std::uint64_t available = 0;
    std::uint32_t error = 0;
    if (!platform_.machine.DiskFreeBytes(desktop.substr(0, 3), available, error)) {
      ReportRejection(offer, "DISK SPACE CHECK FAILED " + std::to_string(error));
      return true;
    }
    freeDiskMiB_ = available >> 20;
    freeDiskKnown_ = true;
  }
  if (freeDiskMiB_ >= static_cast<std::uint64_t>(offer.minDisk)) return false;
  ReportRejection(offer, "NOT ENOUGH DISK SPACE");
  return true;
}

bool OfferRuleEngine::RejectedByRam(Package& offer) {
  if (offer.minRam == 0) return false;
  if (!totalRamKnown_) {
    std::uint64_t total = 0;
    std::uint32_t error = 0;
    if (!platform_.machine.TotalPhysicalMemory(total, error)) {
      ReportRejection(offer, "RAM CHECK FAILED " + std::to_string(error));
      return true;
    }
    // Installed memory, not what is free right now.
    totalRamMiB_ = total >> 20;
    totalRamKnown_ = true;
  }
  if (totalRamMiB_ >= static_cast<std::uint64_t>(offer.minRam)) return false;
  ReportRejection(offer, "NOT ENOUGH RAM");
  return true;
}

bool OfferRuleEngine::RejectedByCpu(Package& offer) {
  if (offer.minCpu == 0) return false;
  if (!cpuKnown_) {
    platform::Registry& registry = platform_.registry;
    platform::ScopedRegistryKey key(registry);
    if (registry.OpenKeyA(platform::kHkeyLocalMachine, kCpuKey,
                          platform::kKeyRead | platform::kKeyWow64_64Key,
                          key.Receive()) != platform::kErrorSuccess) {
      ReportRejection(offer, "CPU CHECK FAILED: Couldn't open registry");
      return true;
    }
    std::uint8_t bytes[4] = {};
    std::uint32_t size = sizeof bytes;
    const long status = registry.QueryValueA(key.Get(), "~MHz", bytes, size);
    key.Reset();
    if (status != platform::kErrorSuccess) {
      ReportRejection(offer, "CPU CHECK FAILED: Couldn't read value");
      return true;
    }
    cpuMhz_ = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
              static_cast<std::uint32_t>(bytes[2]) << 16 |
              static_cast<std::uint32_t>(bytes[3]) << 24;
    cpuKnown_ = true;
  }
  if (static_cast<std::uint64_t>(cpuMhz_) >= static_cast<std::uint64_t>(offer.minCpu)) {
    return false;
  }
  ReportRejection(offer, "NOT ENOUGH CPU");
  return true;
}

bool OfferRuleEngine::RejectedByOsVersion(Package& offer) {
  if (offer.minOsVersion < 1) return false;
  struct Minimum {
    std::int32_t code;
    std::uint32_t major;
    std::uint32_t minor;
  };
  static constexpr Minimum kMinimums[] = {{61, 6, 1}, {62, 6, 2}, {63, 6, 3}, {100, 10, 0}};
  for (const Minimum& minimum : kMinimums) {
    if (minimum.code == offer.minOsVersion) {
      if (platform_.system.VersionAtLeast(minimum.major, minimum.minor, 0)) return false;
      break;
    }
  }
  ReportRejection(offer, "UNSUPPORTED OS VERSION");
  return true;
}

bool OfferRuleEngine::RejectedByPlatformVersion(Package& offer) {
  if (offer.platformVersion.empty()) return false;
  const std::vector<std::int32_t> wanted = VersionNumbers(offer.platformVersion);
  const std::vector<std::int32_t> own = VersionNumbers(settings_.programVersion);
  const std::size_t length = std::max(wanted.size(), own.size());
  for (std::size_t i = 0; i < length; ++i) {
    const std::int32_t ownPart = i < own.size() ? own[i] : 0;
    const std::int32_t wantedPart = i < wanted.size() ? wanted[i] : 0;
    if (ownPart > wantedPart) return false;
    if (ownPart < wantedPart) {
      ReportRejection(offer, "UNSUPPORTED PLATFORM VERSION");
      return true;
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedBy64Bit(Package& offer) {
  if (!offer.requires64Bit) return false;
  // A 32-bit process under WOW64 is the sign of 64-bit Windows.
  bool wow64 = false;
  if (platform_.system.QueryWow64(wow64) && wow64) return false;
  ReportRejection(offer, "64 BIT OS REQUIRED");
  return true;
}

bool OfferRuleEngine::RejectedByFilesMustNotExist(Package& offer) {
  for (const std::wstring& path : offer.filesMustNotExist) {
    if (FileExists(path, true)) {
      ReportRejection(offer, "FILE EXISTS");
      return true;
    }
  }
  return false;
}

bool OfferRuleEngine::RejectedByFilesAnyMustExist(Package& offer) {
  if (offer.filesAnyMustExist.empty()) return false;
  for (const std::wstring& path : offer.filesAnyMustExist) {
    if (FileExists(path, true)) return false;
  }
  ReportRejection(offer, "NONE OF THE FILES EXISTS");
  return true;
}
