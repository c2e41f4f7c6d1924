#include "platform/winhttp_session.h"

namespace platform {

bool IsWindows7(SystemInfo& system) {
  return system.VersionAtLeast(6, 1, 0) && !system.VersionAtLeast(6, 2, 0);
}

bool IsWindows7WithoutSp1(SystemInfo& system) {
  return system.VersionAtLeast(6, 1, 0) && !system.VersionAtLeast(6, 1, 1);
}

std::uint32_t ProxyAccessType(SystemInfo& system) {
  return IsWindows7(system) ? kWinHttpAccessTypeDefaultProxy : kWinHttpAccessTypeAutomaticProxy;
}

std::uint32_t SecureProtocolFlags(SystemInfo& system) {
  // SSL 3.0 never; TLS 1.0 only where WinHTTP knows nothing newer.
  if (system.VersionAtLeast(6, 1, 1)) {
    return kWinHttpFlagSecureProtocolTls1_1 | kWinHttpFlagSecureProtocolTls1_2;
  }
  return kWinHttpFlagSecureProtocolTls1;
}

HttpHandle OpenWinHttpSession(WinHttp& http, const wchar_t* userAgent, std::uint32_t accessType) {
  HttpHandle session = http.WinHttpOpen(userAgent, accessType, nullptr, nullptr, 0);
  if (!session && accessType == kWinHttpAccessTypeAutomaticProxy) {
    session = http.WinHttpOpen(userAgent, kWinHttpAccessTypeDefaultProxy, nullptr, nullptr, 0);
  }
  return session;
}

}  // namespace platform
