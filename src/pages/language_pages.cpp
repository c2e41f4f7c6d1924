#include "pages/language_pages.h"

namespace {


}  // namespace

BOOL LanguagePageBase::OnInitDialog() {
  combo_.Attach(Item(IDC_LANGUAGE_COMBO));
  BindTexts();
  LanguageComboBox combo(combo_);
  languageManager().PopulateLanguageCombo(combo);
  // Setting the language re-localises every page, this one included.
  OnLanguageSelected();
  SendMessageW(hwnd(), DM_SETDEFID, IDC_NEXT, 0);
  return TRUE;
}

void LanguagePageBase::OnLanguageSelected() {
  const int selected = combo_.GetCurSel();
  if (selected == CB_ERR) return;
  const std::wstring displayName = combo_.GetLBText(selected);
  if (!displayName.empty()) languageManager().SetLanguage(displayName);
}

bool LanguagePageBase::OnCommand(int id, int notifyCode) {
  if (id == IDC_LANGUAGE_COMBO && notifyCode == CBN_SELCHANGE) {
    OnLanguageSelected();
    return true;
  }
  return ReportClick(id, notifyCode, IDC_NEXT, ButtonType::Next);
}

void LanguagePage::BindTexts() {
  BindText(IDC_NEXT, "BUTTON_NEXT");
  BindText(IDC_SPLASH_TEXT, "SPLASH_TEXT");
}

void LanguagePageZQ::BindTexts() {
  BindText(IDC_NEXT, "BUTTON_NEXT");
  BindText(IDC_SPLASH_TITLE_ZQ, "SPLASH_TITLE_ZQ");
  BindText(IDC_SPLASH_TEXT_ZQ, "SPLASH_TEXT_ZQ");
}
