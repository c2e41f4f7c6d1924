#include "platform/win32/gdiplus_session.h"

#include "platform/win32/system_library.h"

namespace platform::win32 {
namespace {

struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR);

}  // namespace

GdiplusSession StartGdiplus() {
  ULONG_PTR token = 0;
  auto startup = SystemProcedure<GdiplusStartupFn>(L"gdiplus.dll", "GdiplusStartup");
  GdiplusStartupInput input;
  if (!startup || startup(&token, &input, nullptr) != 0) return GdiplusSession();
  return GdiplusSession(token);
}

bool GdiplusTraits::Free(Handle token) {
  auto shutdown = SystemProcedure<GdiplusShutdownFn>(L"gdiplus.dll", "GdiplusShutdown");
  if (!shutdown) return false;
  shutdown(token);
  return true;
}

}  // namespace platform::win32
