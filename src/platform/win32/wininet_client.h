// The real platform::WinInet, declared apart from the function table so that
// code which also needs <winhttp.h> can reach it (the two SDK headers do not
// mix in one file).
#pragma once

#include "platform/wininet.h"

namespace platform::win32 {

// WinINet loaded at run time from System32; when the DLL is missing every
// call fails with ERROR_MOD_NOT_FOUND.
platform::WinInet& WinInetClient();

}  // namespace platform::win32
