// The last pages: the two finish pages and the error page, which replaces any
// page when something fails. Finish may start the product (or show its file)
// with the shell; then the wizard ends and deletes its working folder.
#pragma once

#include "ui/image_control.h"
#include "pages/page.h"

// What a finish page does on arrival: the wizard window loses its
// minimise box (nothing is left to wait for).
void RemoveMinimiseBox(HWND wizard);

class FinishPageDlm final : public CallbackPage {
 public:
  FinishPageDlm(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_FINISH_DLM, parent) {}
  void OnNavigateToPage() override { RemoveMinimiseBox(GetParent(hwnd())); }
  std::wstring GetPageName() const override { return L"FinishPageDLM"; }
  CloseBox closeBox() const override { return CloseBox::Restore; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  CStaticFromImage picture_;  // 1016
};

class FinishPageIsv final : public CallbackPage {
 public:
  FinishPageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : CallbackPage(std::move(languageManager), IDD_FINISH_ISV, parent) {}
  void OnNavigateToPage() override { RemoveMinimiseBox(GetParent(hwnd())); }
  std::wstring GetPageName() const override { return L"FinishPageISV"; }
  CloseBox closeBox() const override { return CloseBox::Restore; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  CStaticFromImage picture_;  // 1016
};

class ErrorPage final : public IPage {
 public:
  ErrorPage(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : IPage(std::move(languageManager), IDD_ERROR, parent) {}
  void OnNavigateToPage() override {}
  void SetButtonCallback(ButtonCallback callback) override { buttonCallback_ = std::move(callback); }
  // The error page has nowhere to send errors.
  void SetErrorCallback(ErrorCallback) override {}
  std::wstring GetPageName() const override { return L"ErrorPage"; }

  // Stores the finished title and message and shows them (1036, 1037).
  void SetMessage(const std::wstring& title, const std::wstring& text);
  const std::wstring& title() const { return title_; }
  const std::wstring& text() const { return text_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;

 private:
  std::wstring title_;
  std::wstring text_;
  ButtonCallback buttonCallback_;
  CStaticFromImage picture_;  // 1016
};
