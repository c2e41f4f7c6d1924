// The loading page (template 102): a marquee while the configuration is
// fetched and the offers are checked (app/offer_loading.h does the work),
// then the offers handed to the wizard through the load-complete callback.
#pragma once

#include <memory>

#include "app/offer_loading.h"
#include "pages/page.h"

class LoadingPage final : public CallbackPage {
 public:
  LoadingPage(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_LOADING, parent) {}
  void OnNavigateToPage() override;
  std::wstring GetPageName() const override { return L"LoadingPage"; }
  // Called once per load, on the user-interface thread or on the thread
  // that delivered the last picture.
  void SetLoadCompleteCallback(LoadCompleteCallback callback) {
    loadComplete_ = std::move(callback);
  }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void OnRequestComplete();
  void ShowConfigurationError();

  LoadCompleteCallback loadComplete_;
  std::unique_ptr<OfferLoading> loading_;
};
