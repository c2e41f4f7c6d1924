// The pages after loading: the plain wizard's welcome page, the branded
// wizard's warning and licence pages. They inform; their buttons report Next
// or Back.
#pragma once

#include "ui/image_control.h"
#include "pages/page.h"
#include "ui/link_button.h"

class WelcomePageIsv final : public CallbackPage {
 public:
  WelcomePageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_WELCOME, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"WelcomePage"; }
  // The texts, then each link sized to its text.
  void UpdateTexts() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  ui::LinkButton privacyLink_;  // 1039
  ui::LinkButton termsLink_;    // 1040
  ui::LinkButton extraLink_;    // 1041
  CStaticFromImage picture_;    // 1016
};

class WarningPageZQClassic final : public CallbackPage {
 public:
  WarningPageZQClassic(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_WARNING, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"WarningPageZQClassic"; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};

class LicensePageIsv final : public CallbackPage {
 public:
  LicensePageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_LICENSE, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"LicensePage"; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};
