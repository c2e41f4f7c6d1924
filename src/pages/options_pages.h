// The install-options pages of the branded wizard: shortcuts (template 114)
// and system integration (template 115). Every box starts checked; Next
// stores the page's boxes into the settings' optionChecks, Back stores
// nothing.
#pragma once

#include "pages/page.h"

class OptionsPageZQClassic final : public CallbackPage {
 public:
  OptionsPageZQClassic(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_OPTIONS, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"OptionsPageZQClassic"; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};

class ConfigurationsPageZQClassic final : public CallbackPage {
 public:
  ConfigurationsPageZQClassic(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_CONFIGURATIONS, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"ConfigurationsPageZQClassic"; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};
