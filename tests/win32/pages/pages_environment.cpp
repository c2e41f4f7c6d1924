// What the application prepares before any page exists (common controls with
// the link control, the rich edit library, GDI+), and the product constants
// of this test program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/win32/singletons.h"
#include "pages_support.h"
#include "platform/win32/gdiplus_session.h"
#include "platform/win32/system_library.h"

namespace {

using platform::win32::SystemProcedure;

using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

class UserInterfaceEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF | ICC_LINK_CLASS};
    auto init = SystemProcedure<InitCommonControlsExFn>(L"comctl32.dll", "InitCommonControlsEx");
    ASSERT_NE(init, nullptr);
    ASSERT_TRUE(init(&controls));
    ASSERT_NE(platform::win32::LoadSystemLibrary(L"riched32.dll"), nullptr);
    gdiplus_ = platform::win32::StartGdiplus();
    ASSERT_TRUE(gdiplus_);
  }
  void TearDown() override {
    // Every picture is released by now; GDI+ may go.
    gdiplus_.reset();
  }

 private:
  platform::win32::GdiplusSession gdiplus_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new UserInterfaceEnvironment);

}  // namespace

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::wstring WindowCaption(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}
