// GDI+ start-up and shut-down through the flat API loaded from System32
// (gdiplus.dll is not imported at load time).
#pragma once

#include <windows.h>

namespace platform::win32 {

// GdiplusStartup with version 1, no debug callback and nothing suppressed;
// false (token 0) when GDI+ cannot be loaded or started.
bool StartGdiplus(ULONG_PTR& token);
// GdiplusShutdown; does nothing for token 0.
void StopGdiplus(ULONG_PTR token);

}  // namespace platform::win32
