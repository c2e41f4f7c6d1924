#include "app/win32/vellam_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/win32/singletons.h"
#include "app/win32/vellam_dlg.h"
#include "platform/win32/system_library.h"

namespace {

using platform::win32::SystemProcedure;

// GDI+ start-up record, version 1, no debug callback, nothing suppressed.
struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR);
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

}  // namespace

CVellamApp::~CVellamApp() {
  if (gdiplusToken_ == 0) return;
  if (auto shutdown = SystemProcedure<GdiplusShutdownFn>(L"gdiplus.dll", "GdiplusShutdown")) {
    shutdown(gdiplusToken_);
  }
}

bool CVellamApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;  // 8
  controls.dwICC = 0xFF;
  if (auto init = SystemProcedure<InitCommonControlsExFn>(L"comctl32.dll", "InitCommonControlsEx")) {
    init(&controls);
    // The link control of the licence, warning and offer pages is not among
    // those eight groups.
    controls.dwICC = ICC_LINK_CLASS;
    init(&controls);
  }

  // Without the rich-edit control nothing is shown.
  if (!platform::win32::LoadSystemLibrary(L"riched32.dll")) return false;

  GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (auto startup = SystemProcedure<GdiplusStartupFn>(L"gdiplus.dll", "GdiplusStartup")) {
    if (startup(&token, &input, nullptr) == 0) gdiplusToken_ = token;
  }

  {
    CVellamDlg dialog(nullptr);
    dialog.SetBackgroundColor(GetConfigurationManager()->pageColour);
    dialog.DoModal();
  }
  return false;
}
