#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

static_assert(kCsidlPersonal == CSIDL_PERSONAL);
namespace {

class Win32SystemInfo final : public SystemInfo {
 public:
  bool QueryOsVersion(OsVersion& version) override {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (!rtlGetVersion) return false;
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;  // 284 bytes
    if (rtlGetVersion(&info) != 0) return false;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.servicePackMajor = info.wServicePackMajor;
    return true;
  }

  bool QueryWow64(bool& wow64) override {
    BOOL result = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &result)) return false;
    wow64 = result != FALSE;
    return true;
  }

  std::wstring OwnExecutablePath() override {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(buffer, length);
  }

  bool QueryOwnFileVersion(FileVersion& version) override {
    using VerQueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    static const auto verQueryValue =
        SystemProcedure<VerQueryValueFn>(L"version.dll", "VerQueryValueW");
    if (!verQueryValue) return false;
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_VERSION);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(nullptr, resource);
    if (!data || size == 0) return false;
    // VerQueryValueW may write into the block, so it works on a private copy.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!verQueryValue(copy.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        !info || infoSize < sizeof(VS_FIXEDFILEINFO)) {
      return false;
    }
    version.mostSignificant = info->dwFileVersionMS;
    version.leastSignificant = info->dwFileVersionLS;
    return true;
  }

  bool DownloadsFolder(std::wstring& path) override {
    PWSTR folder = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &folder);
    if (SUCCEEDED(result) && folder) path = folder;
    CoTaskMemFree(folder);
    return SUCCEEDED(result);
  }

  bool VersionAtLeast(std::uint32_t major, std::uint32_t minor,
                      std::uint16_t servicePackMajor) override {
    // IsWindowsVersionOrGreater, spelled out (versionhelpers.h is not in every
    // mingw-w64 release).
    OSVERSIONINFOEXW wanted{};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.wServicePackMajor = servicePackMajor;
    DWORDLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              condition) != FALSE;
  }

  bool KnownFolder(const KnownFolderId& id, std::wstring& path) override {
    GUID folderId{id.data1, id.data2, id.data3, {}};
    for (int i = 0; i < 8; ++i) folderId.Data4[i] = id.data4[i];
    PWSTR folder = nullptr;
    const HRESULT result = SHGetKnownFolderPath(folderId, 0, nullptr, &folder);
    if (SUCCEEDED(result) && folder) path = folder;
    CoTaskMemFree(folder);
    return SUCCEEDED(result) && folder;
  }

  std::uint32_t ReadEnvironmentVariable(const std::wstring& name, wchar_t* buffer,
                                        std::uint32_t size) override {
    return GetEnvironmentVariableW(name.c_str(), buffer, size);
  }

  bool CsidlFolder(int csidl, std::wstring& path) override {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer))) return false;
    path = buffer;
    return true;
  }
};

}  // namespace

SystemInfo& RealSystemInfo() {
  static Win32SystemInfo system;
  return system;
}

}  // namespace platform::win32
