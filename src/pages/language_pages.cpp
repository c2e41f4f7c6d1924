#include "pages/language_pages.h"

namespace {

constexpr int kLanguageComboId = 1000;
constexpr int kNextId = 1010;

}  // namespace

BOOL LanguagePageBase::OnInitDialog() {
  combo_.Attach(Item(kLanguageComboId));
  BindTexts();
  LanguageComboBox combo(combo_);
  languageManager().PopulateLanguageCombo(combo);
  // Setting the language re-localises every page, this one included.
  OnLanguageSelected();
  SendMessageW(hwnd(), DM_SETDEFID, kNextId, 0);
  return TRUE;
}

void LanguagePageBase::OnLanguageSelected() {
  const int selected = combo_.GetCurSel();
  if (selected == CB_ERR) return;
  const std::wstring displayName = combo_.GetLBText(selected);
  if (!displayName.empty()) languageManager().SetLanguage(displayName);
}

bool LanguagePageBase::OnCommand(int id, int notifyCode) {
  if (id == kLanguageComboId && notifyCode == CBN_SELCHANGE) {
    OnLanguageSelected();
    return true;
  }
  return ReportClick(id, notifyCode, kNextId, ButtonType::Next);
}

void LanguagePage::BindTexts() {
  BindText(kNextId, "BUTTON_NEXT");
  BindText(1011, "SPLASH_TEXT");
}

void LanguagePageZQ::BindTexts() {
  BindText(kNextId, "BUTTON_NEXT");
  BindText(1013, "SPLASH_TITLE_ZQ");
  BindText(1012, "SPLASH_TEXT_ZQ");
}
