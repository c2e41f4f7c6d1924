#include "pages/loading_page.h"

#include <commctrl.h>

#include "app/win32/package_services.h"
#include "app/win32/singletons.h"
#include "platform/win32/win32_platform.h"

void LoadingPage::OnNavigateToPage() {
  HWND progress = Item(IDC_PROGRESS);
  SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  SetWindowLongPtrW(progress, GWL_STYLE, GetWindowLongPtrW(progress, GWL_STYLE) | PBS_MARQUEE);
  SendMessageW(progress, PBM_SETMARQUEE, TRUE, 30);

  namespace w = platform::win32;
  const std::shared_ptr<ConfigurationManager> settings = GetConfigurationManager();
  const std::shared_ptr<const PackageServices> packages = GetPackageServices();
  LoadingServices services{
      *settings, packages,
      OfferRulePlatform{w::RealRegistry(), w::RealSystemInfo(), w::RealFileSystem(),
                        w::RealMachineState(), w::RealClock(), w::RealCodePages()},
      [] { return GetApiManager()->GetConfiguration(); },
      [settings] {
        return EventTemplate(*settings, platform::win32::RealSystemInfo(),
                             platform::win32::RealCodePages());
      }};
  loading_ = std::make_unique<OfferLoading>(std::move(services), postTarget());
  loading_->Start();
}

bool LoadingPage::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message != kRequestCompleteMessage) return false;
  OnRequestComplete();
  result = 0;
  return true;
}

void LoadingPage::OnRequestComplete() {
  if (!loading_) return;
  if (!loading_->Complete(loadComplete_)) ShowConfigurationError();
}

void LoadingPage::ShowConfigurationError() {
  ReportError(languageManager().GetText("PAGE_CONFIGURATION_ERROR_TITLE"),
              languageManager().GetText("PAGE_CONFIGURATION_ERROR_DESC"));
}
