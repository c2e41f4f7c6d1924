// The base of every wizard page: a modeless child dialog placed in the main
// dialog's page area. Pages never navigate themselves; they report the button
// the user pressed and the main dialog decides what comes next.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/dialog.h"

enum class ButtonType : int { Next = 0, Accept = 1, Close = 2, Decline = 3, Finish = 4, Back = 5, SkipAll = 6 };

using ButtonCallback = std::function<void(ButtonType)>;
using ErrorCallback = std::function<void(const std::wstring& title, const std::wstring& text)>;

class IPage : public ui::Dialog {
 public:
  IPage(UINT templateId, HWND parent);
  ~IPage() override;

  virtual void OnNavigateToPage() = 0;
  virtual void SetButtonCallback(ButtonCallback callback) = 0;
  virtual void SetErrorCallback(ErrorCallback callback) = 0;
  virtual void UpdateTexts() {}
  virtual std::wstring GetPageName() const = 0;

 protected:
  // Control 1002 is the button bar, painted with the bar colour.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;
  // Enter and Escape never end a page.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  HBRUSH barBrush_ = nullptr;
};

// A page that reports buttons and errors through the two callbacks.
class CallbackPage : public IPage {
 public:
  using IPage::IPage;
  void SetButtonCallback(ButtonCallback callback) override { buttonCallback_ = std::move(callback); }
  void SetErrorCallback(ErrorCallback callback) override { errorCallback_ = std::move(callback); }

 protected:
  void Report(ButtonType button) {
    if (buttonCallback_) buttonCallback_(button);
  }
  void ReportError(const std::wstring& title, const std::wstring& text) {
    if (errorCallback_) errorCallback_(title, text);
  }

 private:
  ButtonCallback buttonCallback_;
  ErrorCallback errorCallback_;
};
