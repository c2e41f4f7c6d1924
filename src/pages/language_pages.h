// The language pages: page 0 of the wizard. The user picks the wizard's
// language; every page follows at once. The branded wizard's page hides the
// choice and uses the language of the user's locale.
#pragma once

#include "locale/language_combo.h"
#include "pages/page.h"
#include "ui/combo_box.h"

// Control 1000 as the language manager sees it.
class LanguageComboBox final : public LanguageCombo {
 public:
  explicit LanguageComboBox(const ui::ComboBox& combo) : combo_(combo) {}
  void ClearItems() override { combo_.ResetContent(); }
  int ItemCount() override { return combo_.GetCount(); }
  void AppendItem(const std::wstring& displayName) override { combo_.AddString(displayName); }
  void SelectItem(int index) override { combo_.SetCurSel(index); }
  void HideCombo() override { combo_.ShowWindow(SW_HIDE); }

 private:
  const ui::ComboBox& combo_;
};

// Both language pages; they differ in template, name and bound texts.
class LanguagePageBase : public CallbackPage {
 public:
  void OnNavigateToPage() override {}
  // Applies the combo box's selected language to every page.
  void OnLanguageSelected();

 protected:
  LanguagePageBase(std::shared_ptr<LanguageManager> languageManager, UINT templateId, HWND parent)
      : CallbackPage(std::move(languageManager), templateId, parent) {}
  BOOL OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  virtual void BindTexts() = 0;

  ui::ComboBox combo_;
};

class LanguagePage final : public LanguagePageBase {
 public:
  LanguagePage(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : LanguagePageBase(std::move(languageManager), IDD_LANGUAGE, parent) {}
  std::wstring GetPageName() const override { return L"LanguagePage"; }

 protected:
  void BindTexts() override;
};

class LanguagePageZQ final : public LanguagePageBase {
 public:
  LanguagePageZQ(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : LanguagePageBase(std::move(languageManager), IDD_LANGUAGE_ZQ, parent) {}
  std::wstring GetPageName() const override { return L"LanguagePageZQ"; }

 protected:
  void BindTexts() override;
};
