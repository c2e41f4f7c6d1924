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

// A KNOWNFOLDERID, laid out field by field like GUID.
struct KnownFolderId {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];

  bool operator==(const KnownFolderId& other) const {
    if (data1 != other.data1 || data2 != other.data2 || data3 != other.data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (data4[i] != other.data4[i]) return false;
    }
    return true;
  }
};

// {F1B32785-6FBA-4FCF-9D55-7B8E7F157091}
constexpr KnownFolderId kFolderIdLocalAppData{
    0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
// {3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}: the roaming application data folder.
constexpr KnownFolderId kFolderIdRoamingAppData{
    0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
// {62AB5D82-FDC1-4DC3-A9DD-070D1D495D97}
constexpr KnownFolderId kFolderIdProgramData{
    0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
// {7C5A40EF-A0FB-4BFC-874A-C0F2E0B9FA8E}
constexpr KnownFolderId kFolderIdProgramFilesX86{
    0x7C5A40EF, 0xA0FB, 0x4BFC, {0x87, 0x4A, 0xC0, 0xF2, 0xE0, 0xB9, 0xFA, 0x8E}};

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
  // SHGetKnownFolderPath(id, flags 0, no token: the current user); false when
  // it fails. Windows overrides it; elsewhere no folder is known.
  virtual bool KnownFolder(const KnownFolderId& id, std::wstring& path) {
    (void)id, (void)path;
    return false;
  }
  // GetEnvironmentVariableW into `buffer` of `size` characters. Returns what
  // the call returns: the length without the zero when the value fits, the
  // size needed (zero included) when it does not, 0 when it is not set.
  virtual std::uint32_t ReadEnvironmentVariable(const std::wstring& name, wchar_t* buffer,
                                                std::uint32_t size) {
    (void)name, (void)buffer, (void)size;
    return 0;
  }
};

}  // namespace platform
