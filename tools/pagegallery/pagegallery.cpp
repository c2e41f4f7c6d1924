// The wizard with every page created at once, for looking at them: the real
// wizard window, pages, language manager and resources, but pages are shown
// on request instead of by the wizard flow. Used by the end-to-end tests to
// take a screenshot of every page; never shipped.
//
//   pagegallery.exe [DLM]
//
// DLM: the plain (unbranded) DLM wizard's texts and pages instead of the
// shipped branded ISV wizard. The UI driver picks a page by posting the
// system command 0x7000 + 16 * index (the index in the order below), or
// 0x7FF0 for the error page with the download error texts; 0x7FE0 raises an
// application message box from a worker thread, as the logic raises its own;
// 0x7FD0 reports in an application message box how many entries of the
// system menu carry the close command (a menu cannot be read from another
// process under Wine).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <thread>

#include "json/json_parser.h"

#include "app/win32/package_services.h"
#include "app/win32/singletons.h"
#include "app/win32/vellam_dlg.h"
#include "pages/page_factory.h"
#include "platform/win32/gdiplus_session.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"
#include "resources/resource_ids.h"
#include "ui/image_control.h"

namespace {

using platform::win32::SystemProcedure;

constexpr WPARAM kShowPage = 0x7000;
constexpr WPARAM kShowError = 0x7FF0;
constexpr WPARAM kRaiseMessageBox = 0x7FE0;
constexpr WPARAM kCountCloseEntries = 0x7FD0;

// The offer page's sample offer: a name and both addresses for its
// disclaimer, and the welcome picture stretched over the offer picture.
std::shared_ptr<Package> GalleryOffer() {
  const JsonValue offer = ParseJson(R"({"ad": {"f": "gallery", "o": "gallery-offer"},
      "ps": {"i": "NimbusBackup", "dn": "Nimbus Backup", "u": "https://localhost/f/nimbus.exe",
             "cp": "https://nimbus.example/privacy", "ctu": "https://nimbus.example/eula"}})");
  auto settings = GetConfigurationManager();
  auto package = std::make_shared<Package>(
      GetPackageServices(),
      EventTemplate(*settings, platform::win32::RealSystemInfo(), platform::win32::RealCodePages()),
      offer, false, "", 0);
  package->image = LoadImageFromResource(GetModuleHandleW(nullptr), IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  settings->acceptedOfferCount = 2;  // not the last offer: Skip All shows
  return package;
}

class CPageGallery : public CVellamDlg {
 public:
  CPageGallery() : CVellamDlg(nullptr) {}

 protected:
  BOOL OnInitDialog() override {
    if (!CVellamDlg::OnInitDialog()) return FALSE;
    RECT area{};
    GetWindowRect(Item(IDC_PAGE_AREA), &area);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    const auto& texts = languageManager();
    // The wizard makes its loading and error pages after showing; the
    // gallery's indices need them now.
    CreateDeferredPages();
    // Index 0 language, 1 loading; then:
    CreateAndAddPage(MakePage<WarningPageZQClassic, IPage>(texts, hwnd()), area);                           // 2
    CreateAndAddPage(MakePage<LicensePageIsv, IPage>(texts, hwnd()), area);                           // 3
    CreateAndAddPage(MakePage<WelcomePageIsv, IPage>(texts, hwnd()), area);                           // 4
    CreateAndAddPage(std::make_unique<ProductPage>(texts, GalleryOffer(), hwnd()), area);  // 5
    CreateAndAddPage(MakePage<OptionsPageZQClassic, IPage>(texts, hwnd()), area);                           // 6
    CreateAndAddPage(std::make_unique<ConfigurationsPageZQClassic>(texts, hwnd()), area);  // 7
    CreateAndAddPage(MakePage<DownloadPageDlm, IPage>(texts, hwnd()), area);                       // 8
    CreateAndAddPage(MakePage<FinishPageDlm, IPage>(texts, hwnd()), area);                         // 9
    CreateAndAddPage(std::make_unique<DownloadPageIsv>(texts, hwnd()), area);         // 10
    CreateAndAddPage(MakePage<FinishPageIsv, IPage>(texts, hwnd()), area);                         // 11
    return TRUE;
  }

  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_SYSCOMMAND && wParam == kCountCloseEntries) {
      HMENU menu = GetSystemMenu(hwnd(), FALSE);
      int count = 0;
      for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) count += GetMenuItemID(menu, i) == SC_CLOSE;
      platform::win32::RealDialogs().ShowMessage(L"Close entries: " + std::to_wstring(count), L"",
                                                  platform::kMbOk);
      return true;
    }
    if (message == WM_SYSCOMMAND && wParam == kRaiseMessageBox) {
      std::thread([] {
        platform::win32::RealDialogs().ShowMessage(L"A message from the page gallery", L"",
                                                    platform::kMbOk);
      }).detach();
      return true;
    }
    if (message == WM_SYSCOMMAND && wParam == kShowError) {
      auto& texts = *languageManager();
      ShowErrorPage(texts.GetText("PAGE_DOWNLOAD_ERROR_TITLE"), texts.GetText("PAGE_DOWNLOAD_ERROR_DESC"));
      return true;
    }
    if (message == WM_SYSCOMMAND && wParam >= kShowPage && wParam < kShowError) {
      NavigateToPage((wParam - kShowPage) >> 4);
      return true;
    }
    return CVellamDlg::OnMessage(message, wParam, lParam, result);
  }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  platform::win32::RestrictDllSearchToSystem32();
  int count = 0;
  const platform::win32::ScopedLocalMemory<wchar_t**> argumentList(
      CommandLineToArgvW(GetCommandLineW(), &count));
  wchar_t** arguments = argumentList.get();
  const bool dlm = arguments && count > 1 && std::wstring(arguments[1]) == L"DLM";

  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (auto init = SystemProcedure<InitFn>(L"comctl32.dll", "InitCommonControlsEx")) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF | ICC_LINK_CLASS};
    init(&controls);
  }
  platform::win32::LoadSystemLibrary(L"riched32.dll");
  auto gdiplus = platform::win32::StartGdiplus();

  auto settings = GetConfigurationManager();
  if (dlm) {
    settings->wizardType = kWizardDlm;
    settings->brandedPages = false;
    settings->optionPages = false;
  }
  {
    CPageGallery gallery;
    gallery.SetBackgroundColour(settings->pageColour);
    gallery.DoModal();
  }
  gdiplus.reset();
  // As the installer ends: no process-wide object is destroyed under a worker.
  ExitProcess(0);
}
