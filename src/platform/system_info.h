// Facts about this machine and this executable.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint16_t servicePackMajor = 0;
};

// VS_FIXEDFILEINFO's file version: most and least significant 32 bits.
struct FileVersion {
  std::uint32_t mostSignificant = 0;
  std::uint32_t leastSignificant = 0;
};

// CSIDL_PERSONAL: the user's documents folder.
constexpr int kCsidlPersonal = 5;

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  // RtlGetVersion; false when the call is unavailable or fails.
  virtual bool QueryOsVersion(OsVersion& version) = 0;
  // IsWow64Process on the current process; false when the call fails.
  virtual bool QueryWow64(bool& wow64) = 0;
  // GetModuleFileNameW(nullptr) with a 260-character buffer; empty on failure.
  virtual std::wstring OwnExecutablePath() = 0;
  // The fixed file info of the executable's own version resource (id 1).
  virtual bool QueryOwnFileVersion(FileVersion& version) = 0;
  // SHGetKnownFolderPath(FOLDERID_Downloads, 0).
  virtual bool DownloadsFolder(std::wstring& path) = 0;
  // SHGetFolderPathW(csidl).
  virtual bool CsidlFolder(int csidl, std::wstring& path) = 0;
  // VerifyVersionInfoW as IsWindowsVersionOrGreater: this Windows is at least
  // major.minor with at least that service pack. The fallback compares the
  // RtlGetVersion figures; Windows overrides it with the real call.
  virtual bool VersionAtLeast(std::uint32_t major, std::uint32_t minor,
                              std::uint16_t servicePackMajor) {
    OsVersion version;
    if (!QueryOsVersion(version)) return false;
    if (version.major != major) return version.major > major;
    if (version.minor != minor) return version.minor > minor;
    return version.servicePackMajor >= servicePackMajor;
  }
};

}  // namespace platform
