// GDI+ start-up and shut-down through the flat API loaded from System32
// (gdiplus.dll is not imported at load time).
#pragma once

#include <windows.h>

#include "platform/scoped_resource.h"

namespace platform::win32 {

struct GdiplusTraits {
  using Handle = ULONG_PTR;  // the start-up token
  static Handle Invalid() { return 0; }
  static bool Free(Handle token);  // GdiplusShutdown
};
// No decoded picture may outlive the session.
using GdiplusSession = ScopedResource<GdiplusTraits>;

// GdiplusStartup with version 1, no debug callback and nothing suppressed;
// an empty session when GDI+ cannot be loaded or started.
GdiplusSession StartGdiplus();

}  // namespace platform::win32
