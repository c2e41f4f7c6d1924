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
  ui::LinkButton links_[3];   // 1039 privacy, 1040 terms, 1041 extra
  CStaticFromImage picture_;  // 1016
};

class WarningPageZQClassic final : public LinkPage {
 public:
  // The warning text's links open nothing.
  WarningPageZQClassic(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : LinkPage(std::move(languageManager), IDD_WARNING, parent, IDC_WARNING_TEXT, false) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"WarningPageZQClassic"; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};

class LicensePageIsv final : public LinkPage {
 public:
  LicensePageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : LinkPage(std::move(languageManager), IDD_LICENSE, parent, IDC_LICENSE_DISCLAIMER, true) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"LicensePage"; }
  // The texts, then the disclaimer's address tokens: a new language brings
  // the tokens back.
  void UpdateTexts() override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
};
