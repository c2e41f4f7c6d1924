// Session set-up shared by every WinHTTP client of the installer (JSON posts,
// file and in-memory downloads), so the version rules live in one place.
#pragma once

#include <cstdint>

#include "platform/system_info.h"
#include "platform/winhttp.h"

namespace platform {

// Windows 7: version 6.1 but not 6.2 or later.
bool IsWindows7(SystemInfo& system);
// Windows 7 before Service Pack 1, where TLS 1.2 cannot be switched on.
bool IsWindows7WithoutSp1(SystemInfo& system);

// The proxy access type for this Windows: the default proxy (0) on Windows 7,
// automatic proxy (4) on every other version.
std::uint32_t ProxyAccessType(SystemInfo& system);

// WINHTTP_OPTION_SECURE_PROTOCOLS flags: TLS 1.1 and 1.2 (0xA00) from
// Windows 7 SP1 on; TLS 1.0 alone (0x80) on Vista and Windows 7 without SP1,
// whose WinHTTP has nothing newer. SSL 3.0 is never offered.
std::uint32_t SecureProtocolFlags(SystemInfo& system);

// WinHttpOpen (no proxy names, flags 0). userAgent may be null. When the
// automatic proxy type (4) is refused — WinHTTP knows it only from Windows 8.1
// on, so Vista and 8.0 fail with ERROR_INVALID_PARAMETER — the session is
// opened again with the default proxy type (0). Returns null on failure, with
// the last error of the final attempt in place.
HttpHandle OpenWinHttpSession(WinHttp& http, const wchar_t* userAgent, std::uint32_t accessType);

}  // namespace platform
