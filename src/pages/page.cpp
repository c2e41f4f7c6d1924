#include "pages/page.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/singletons.h"
#include "ui/web_link_opener.h"

IPage::IPage(std::shared_ptr<LanguageManager> languageManager, UINT templateId, HWND parent)
    : ui::Dialog(templateId, parent), languageManager_(std::move(languageManager)) {
  languageManager_->RegisterPage(this);
  barBrush_.reset(CreateSolidBrush(GetConfigurationManager()->barColour));
}

IPage::~IPage() {
  // The window goes first: nothing may paint with the brush after it is gone.
  DestroyWindow();
  languageManager_->UnregisterPage(this);
}

void IPage::MakeTitleBold(int id) {
  HWND title = Item(id);
  if (!title) return;
  HFONT current = reinterpret_cast<HFONT>(SendMessageW(title, WM_GETFONT, 0, 0));
  LOGFONTW font{};
  if (!GetObjectW(current ? static_cast<HGDIOBJ>(current) : GetStockObject(DEFAULT_GUI_FONT),
                  sizeof font, &font)) {
    return;
  }
  font.lfHeight = 12;
  font.lfWeight = 1000;
  HFONT bold = CreateFontIndirectW(&font);
  if (!bold) return;
  SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
  titleFont_.reset(bold);
}

void IPage::BindText(int id, const std::string& key) { textBindings_.push_back({Item(id), key}); }

void IPage::UpdateTexts() {
  for (const TextBinding& binding : textBindings_) {
    if (!binding.control || !IsWindow(binding.control)) continue;
    const std::wstring text = languageManager_->GetText(binding.key);
    if (!text.empty()) SetWindowTextW(binding.control, text.c_str());
  }
}

HBRUSH IPage::OnCtlColor(HDC dc, HWND control, UINT kind) {
  if (GetDlgCtrlID(control) == IDC_BUTTON_BAR) {
    SetBkMode(dc, TRANSPARENT);
    return barBrush_.get();
  }
  return ui::Dialog::OnCtlColor(dc, control, kind);
}

void LinkPage::CreatePageBrush() {
  pageBrush_.reset(CreateSolidBrush(GetConfigurationManager()->pageColour));
}

HBRUSH LinkPage::OnCtlColor(HDC dc, HWND control, UINT kind) {
  if (pageBrush_ && GetDlgCtrlID(control) == linkId_) {
    SetBkMode(dc, TRANSPARENT);
    return pageBrush_.get();
  }
  return CallbackPage::OnCtlColor(dc, control, kind);
}

bool LinkPage::OnNotify(const NMHDR& header, LRESULT& result) {
  if (!opensLinks_ || static_cast<int>(header.idFrom) != linkId_ ||
      (header.code != NM_CLICK && header.code != NM_RETURN)) {
    return false;
  }
  // The link control's own item: the address as its markup gave it.
  const auto& link = reinterpret_cast<const NMLINK&>(header);
  ui::OpenWebLink(link.item.szUrl);
  result = 0;
  return true;
}
