// The pages the wizard opens with: the language page, the loading page and
// the error page.
#pragma once

#include "pages/page.h"

class LanguagePage : public CallbackPage {
 public:
  // branded: template 10 ("LanguagePageZQ"), otherwise template 9.
  LanguagePage(bool branded, HWND parent);
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  bool branded_;
};

class LoadingPage : public CallbackPage {
 public:
  explicit LoadingPage(HWND parent) : CallbackPage(102, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"LoadingPage"; }
};

class ErrorPage : public IPage {
 public:
  explicit ErrorPage(HWND parent) : IPage(108, parent) {}
  void OnNavigateToPage() override {}
  void SetButtonCallback(ButtonCallback callback) override { buttonCallback_ = std::move(callback); }
  // The error page has nowhere to send errors.
  void SetErrorCallback(ErrorCallback) override {}
  std::wstring GetPageName() const override { return L"ErrorPage"; }

  void SetMessage(const std::wstring& title, const std::wstring& text);

 protected:
  bool OnCommand(int id, int notifyCode) override;

 private:
  ButtonCallback buttonCallback_;
  std::wstring title_;
  std::wstring text_;
};
