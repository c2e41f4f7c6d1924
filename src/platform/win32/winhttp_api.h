// WinHTTP loaded at run time from System32 (it is not a KnownDLL, so it is
// never imported at load time), as a table of function pointers. RealWinHttp()
// (platform/win32/win32_platform.h) is implemented over it.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

struct WinHttpFunctions {
  decltype(&::WinHttpOpen) WinHttpOpen = nullptr;
  decltype(&::WinHttpCloseHandle) WinHttpCloseHandle = nullptr;
  decltype(&::WinHttpSetOption) WinHttpSetOption = nullptr;
  decltype(&::WinHttpQueryOption) WinHttpQueryOption = nullptr;
  decltype(&::WinHttpSetTimeouts) WinHttpSetTimeouts = nullptr;
  decltype(&::WinHttpCrackUrl) WinHttpCrackUrl = nullptr;
  decltype(&::WinHttpConnect) WinHttpConnect = nullptr;
  decltype(&::WinHttpOpenRequest) WinHttpOpenRequest = nullptr;
  decltype(&::WinHttpAddRequestHeaders) WinHttpAddRequestHeaders = nullptr;
  decltype(&::WinHttpSendRequest) WinHttpSendRequest = nullptr;
  decltype(&::WinHttpReceiveResponse) WinHttpReceiveResponse = nullptr;
  decltype(&::WinHttpQueryHeaders) WinHttpQueryHeaders = nullptr;
  decltype(&::WinHttpQueryDataAvailable) WinHttpQueryDataAvailable = nullptr;
  decltype(&::WinHttpReadData) WinHttpReadData = nullptr;
};

// The table, filled on first use (thread-safe); nullptr when winhttp.dll or
// any of the functions is missing.
const WinHttpFunctions* WinHttpApi();


}  // namespace platform::win32
