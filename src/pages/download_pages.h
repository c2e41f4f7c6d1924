// The download pages: DLM (template 110) and ISV (template 106). No buttons;
// they report Next when their work is done.
#pragma once

#include <functional>

#include "ui/image_control.h"
#include "pages/page.h"

class DownloadPageDlm final : public CallbackPage {
 public:
  DownloadPageDlm(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_DOWNLOAD_DLM, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"DownloadPageDLM"; }
  // Installers are fetched and run: closing now would leave them half done.
  CloseBox closeBox() const override { return CloseBox::Remove; }

 protected:
  BOOL OnInitDialog() override;

 private:
  CStaticFromImage productImage_;  // 1016
};

class DownloadPageIsv final : public CallbackPage {
 public:
  DownloadPageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_DOWNLOAD_ISV, parent) {}
  void OnNavigateToPage() override {}
  std::wstring GetPageName() const override { return L"DownloadPageISV"; }
  // Installers are fetched and run: closing now would leave them half done.
  CloseBox closeBox() const override { return CloseBox::Remove; }
  // Called when the installers start running and when they have ended.
  void SetInstallNotifications(std::function<void()> start, std::function<void()> end) {
    installStartNotification_ = std::move(start);
    installEndNotification_ = std::move(end);
  }

 protected:
  BOOL OnInitDialog() override;

 private:
  std::function<void()> installStartNotification_;
  std::function<void()> installEndNotification_;
  CStaticFromImage productImage_;  // 1016
};
