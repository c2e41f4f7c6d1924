#include "app/win32/vellam_app.h"

#include <windows.h>
#include <commctrl.h>

#include "app/win32/vellam_dlg.h"
#include "platform/win32/gdiplus_session.h"
#include "platform/win32/system_library.h"

namespace {

using platform::win32::SystemProcedure;

using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

}  // namespace

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

  gdiplus_ = platform::win32::StartGdiplus();

  {
    // The dialog takes the settings object (and its page colour) itself, once
    // it holds the single-instance mutex.
    CVellamDlg dialog(nullptr);
    dialog.DoModal();
  }
  return false;
}
