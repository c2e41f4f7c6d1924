// The base of every wizard page: a modeless child dialog placed in the main
// dialog's page area. Pages never navigate themselves; they report the button
// the user pressed and the main dialog decides what comes next. Every page
// shares the language manager, binds its localised controls to locale keys
// and re-reads them whenever the language changes.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/wizard_flow.h"
#include "locale/language_manager.h"
#include "locale/localized_page.h"
#include "platform/win32/scoped_handle.h"
#include "resources/resource_ids.h"
#include "ui/dialog.h"

using ButtonCallback = std::function<void(ButtonType)>;
using ErrorCallback = std::function<void(const std::wstring& title, const std::wstring& text)>;

// One localised control: its window (null when the template has no control
// with that id) and the locale key of its caption.
struct TextBinding {
  HWND control = nullptr;
  std::string key;
};

class IPage : public ui::Dialog, public LocalizedPage {
 public:
  // Registers the page with the language manager; nothing touches a window
  // until the main dialog creates the page's window.
  IPage(std::shared_ptr<LanguageManager> languageManager, UINT templateId, HWND parent);
  ~IPage() override;

  virtual void OnNavigateToPage() = 0;
  virtual void SetButtonCallback(ButtonCallback callback) = 0;
  virtual void SetErrorCallback(ErrorCallback callback) = 0;
  // Sets the caption of every bound control that exists to its key's text;
  // a key without text leaves the template's placeholder caption.
  void UpdateTexts() override;
  virtual std::wstring GetPageName() const = 0;
  // What showing this page does to the wizard's close box.
  virtual CloseBox closeBox() const { return CloseBox::Unchanged; }
  // An offer page: the flow may jump over it.
  virtual bool isOfferPage() const { return false; }

  const std::vector<TextBinding>& textBindings() const { return textBindings_; }

 protected:
  // Appends a binding of the child `id` to `key`; call once the window exists.
  void BindText(int id, const std::string& key);
  LanguageManager& languageManager() const { return *languageManager_; }
  HBRUSH barBrush() const { return barBrush_.get(); }
  // Gives control `id` a bold copy of its font (height 12, weight 1000); the
  // page owns the font for as long as it exists.
  void MakeTitleBold(int id);
  // Checks the check box or radio button `id`.
  void Check(int id) const { CheckDlgButton(hwnd(), id, BST_CHECKED); }

  // The button bar (IDC_BUTTON_BAR) gets the bar brush; every other control the page's default.
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;
  // Enter and Escape never end a page.
  void OnOK() override {}
  void OnCancel() override {}

 private:
  std::shared_ptr<LanguageManager> languageManager_;
  std::vector<TextBinding> textBindings_;
  platform::win32::ScopedBrush barBrush_;
  platform::win32::ScopedFont titleFont_;
};

// A page that reports buttons and errors through the two callbacks (every
// page but the error page).
class CallbackPage : public IPage {
 public:
  using IPage::IPage;
  void SetButtonCallback(ButtonCallback callback) override { buttonCallback_ = std::move(callback); }
  void SetErrorCallback(ErrorCallback callback) override { errorCallback_ = std::move(callback); }

 protected:
  // The callback may hide this page and show another before it returns.
  void Report(ButtonType button) {
    if (buttonCallback_) buttonCallback_(button);
  }
  void ReportError(const std::wstring& title, const std::wstring& text) {
    if (errorCallback_) errorCallback_(title, text);
  }
  // A click of `id` reports `button`; true when the command was that click.
  bool ReportClick(int id, int notifyCode, int buttonId, ButtonType button) {
    if (id != buttonId || notifyCode != BN_CLICKED) return false;
    Report(button);
    return true;
  }

 private:
  ButtonCallback buttonCallback_;
  ErrorCallback errorCallback_;
};

// A page with a link control (SysLink) over the page background: the link
// paints transparently on the page colour and, on the pages that open their
// links, a click opens the clicked link's address (web addresses only).
class LinkPage : public CallbackPage {
 public:
  LinkPage(std::shared_ptr<LanguageManager> languageManager, UINT templateId, HWND parent,
           int linkId, bool opensLinks)
      : CallbackPage(std::move(languageManager), templateId, parent),
        linkId_(linkId),
        opensLinks_(opensLinks) {}

 protected:
  // The brush the link is painted on (pageColour); call from OnInitDialog.
  void CreatePageBrush();
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;
  // A click (or Enter) on a link of the link control: OnLinkClick.
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  int linkId_;
  bool opensLinks_;
  platform::win32::ScopedBrush pageBrush_;
};
