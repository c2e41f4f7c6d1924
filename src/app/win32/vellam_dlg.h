// The wizard window (template 103): one instance per machine, a header, a
// page area that shows one page at a time, and a guarded close.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/offer_loading.h"
#include "app/wizard_flow.h"
#include "locale/language_manager.h"
#include "pages/finish_pages.h"
#include "ui/image_control.h"
#include "pages/page.h"
#include "platform/win32/scoped_handle.h"
#include "ui/dialog.h"

class ConfigurationManager;

class CVellamDlg : public ui::Dialog {
 public:
  explicit CVellamDlg(HWND parent);
  ~CVellamDlg() override;

  // The first page only: everything on the path to the window showing.
  bool CreateInitialPages();
  // The error and loading pages, once, when first needed: by navigation, an
  // error or the close question (which counts the loading page). Neither is
  // seen before then, and the error page decodes its picture: made at start
  // they only delayed the window (and, made right after it shows, took the
  // processor from its first moments).
  void CreateDeferredPages();
  void CreatePage(IPage& page, const RECT& rectangle);
  void CreateAndAddPage(std::unique_ptr<IPage> page, const RECT& rectangle);
  void NavigateToPage(size_t index);
  void ShowErrorPage(const std::wstring& title, const std::wstring& text);
  void OnButtonPressed(ButtonType button);

  const std::shared_ptr<LanguageManager>& languageManager() const { return languageManager_; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  void OnOK() override {}  // Enter never closes the wizard
  // Escape and IDCANCEL: the close box's path, never around it.
  void OnCancel() override;
  void OnClose() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool OnSysCommand(WPARAM command);
  // The loading page has handed the offers over: the remaining pages.
  void OnLoadCompleteMessage();
  // Next on the language page, the first time.
  void StartMainProduct();
  bool OnPaint();
  bool ClaimSingleInstance();
  void AppendCloseToSystemMenu();
  bool SystemMenuHasClose() const;
  RECT PageRectangle() const;

  // Held first so it outlives every page registered with the language
  // manager. Both are taken only once this copy holds the single-instance
  // mutex: the settings object creates the working folder, which a refused
  // copy must not leave behind.
  std::shared_ptr<ConfigurationManager> settings_;
  std::shared_ptr<LanguageManager> languageManager_;
  HICON icon_ = nullptr;
  // The page windows, in the flow's order; the flow decides, this shows.
  std::vector<std::unique_ptr<IPage>> pages_;
  WizardFlow flow_;
  std::unique_ptr<ErrorPage> errorPage_;
  bool deferredPagesCreated_ = false;
  // The offers the loading page hands over, possibly from a picture thread
  // and possibly after this window is gone: taken on kLoadCompleteMessage.
  std::shared_ptr<PostedValue<PackageList>> loadedOffers_;
  CStaticFromImage headerIcon_;  // 1007
  platform::win32::ScopedBrush barBrush_;
  platform::win32::ScopedHandle instanceMutex_;
};
