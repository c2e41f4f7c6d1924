#include "pages/spine_pages.h"

LanguagePage::LanguagePage(bool branded, HWND parent)
    : CallbackPage(branded ? 10 : 9, parent), branded_(branded) {}

std::wstring LanguagePage::GetPageName() const {
  return branded_ ? L"LanguagePageZQ" : L"LanguagePage";
}

BOOL LanguagePage::OnInitDialog() {
  SendMessageW(hwnd(), DM_SETDEFID, 1010, 0);
  return TRUE;
}

bool LanguagePage::OnCommand(int id, int notifyCode) {
  if (id == 1010 && notifyCode == BN_CLICKED) {
    Report(ButtonType::Next);
    return true;
  }
  return false;
}

void ErrorPage::SetMessage(const std::wstring& title, const std::wstring& text) {
  title_ = title;
  text_ = text;
  SetItemText(1036, title_);
  SetItemText(1037, text_);
}

bool ErrorPage::OnCommand(int id, int notifyCode) {
  if (id == 1035 && notifyCode == BN_CLICKED) {
    if (buttonCallback_) buttonCallback_(ButtonType::Close);
    return true;
  }
  return false;
}
