// What the application prepares before any page exists (common controls with
// the link control, the rich edit library, GDI+), and the product constants
// of this test program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/win32/singletons.h"
#include "pages_support.h"
#include "platform/win32/system_library.h"
#include "vellam_build_config.h"

ProductConstants BuiltInProductConstants() {
  ProductConstants constants;
  constants.wizardName = VELLAM_WIZARD_NAME;
  constants.productTitle = VELLAM_PRODUCT_TITLE;
  constants.productId = VELLAM_PRODUCT_ID;
  constants.publisher = VELLAM_PUBLISHER;
  constants.stubId = VELLAM_STUB_ID;
  constants.installerObjectPath = VELLAM_INSTALLER_OBJECT_PATH;
  constants.productExePath = VELLAM_PRODUCT_EXE_PATH;
  constants.mainInstallArgs = VELLAM_MAIN_INSTALL_ARGS;
  constants.configHost = VELLAM_CONFIG_HOST;
  constants.rolloutHost = VELLAM_ROLLOUT_HOST;
  constants.webHost = VELLAM_WEB_HOST;
  return constants;
}

namespace {

using platform::win32::SystemProcedure;

struct GdiplusStartupInput {
  UINT32 GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR);
using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

class UserInterfaceEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF | ICC_LINK_CLASS};
    auto init = SystemProcedure<InitCommonControlsExFn>(L"comctl32.dll", "InitCommonControlsEx");
    ASSERT_NE(init, nullptr);
    ASSERT_TRUE(init(&controls));
    ASSERT_NE(platform::win32::LoadSystemLibrary(L"riched32.dll"), nullptr);
    auto startup = SystemProcedure<GdiplusStartupFn>(L"gdiplus.dll", "GdiplusStartup");
    ASSERT_NE(startup, nullptr);
    GdiplusStartupInput input;
    ASSERT_EQ(startup(&token_, &input, nullptr), 0);
  }
  void TearDown() override {
    // Every picture is released by now; GDI+ may go.
    if (auto shutdown = SystemProcedure<GdiplusShutdownFn>(L"gdiplus.dll", "GdiplusShutdown")) {
      shutdown(token_);
    }
  }

 private:
  ULONG_PTR token_ = 0;
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
