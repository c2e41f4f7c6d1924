// The loading page (template 102): shown while the configuration is fetched.
#pragma once

#include "pages/page.h"

class LoadingPage final : public CallbackPage {
 public:
  LoadingPage(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_LOADING, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"LoadingPage"; }
};
