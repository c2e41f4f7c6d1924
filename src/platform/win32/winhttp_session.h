// The shared WinHTTP session opener for Win32 code that works on HINTERNET
// handles directly. Same rules as platform/winhttp_session.h (it is the same
// code): the automatic proxy type (4) falls back to the default proxy type (0)
// where this WinHTTP does not know it (Vista, Windows 8.0).
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "platform/winhttp_session.h"

namespace platform::win32 {

// WinHttpOpen through WinHttpApi() with no proxy names and flags 0; nullptr
// on failure (GetLastError holds the reason).
HINTERNET OpenWinHttpSession(LPCWSTR userAgent, DWORD accessType);

// ProxyAccessType / SecureProtocolFlags for the Windows this runs on.
DWORD WinHttpProxyAccessType();
DWORD WinHttpSecureProtocolFlags();

}  // namespace platform::win32
