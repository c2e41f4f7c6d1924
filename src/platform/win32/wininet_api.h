// WinINet loaded at run time from System32 (it is not a KnownDLL, so it is
// never imported at load time), as a table of function pointers. RealWinInet()
// (platform/win32/win32_platform.h) is implemented over it.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

struct WinInetFunctions {
  decltype(&::InternetOpenW) InternetOpenW = nullptr;
  decltype(&::InternetOpenUrlW) InternetOpenUrlW = nullptr;
  decltype(&::HttpQueryInfoW) HttpQueryInfoW = nullptr;
  decltype(&::InternetReadFile) InternetReadFile = nullptr;
  decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
};

// The table, filled on first use (thread-safe); nullptr when wininet.dll or
// any of the functions is missing.
const WinInetFunctions* WinInetApi();

}  // namespace platform::win32
