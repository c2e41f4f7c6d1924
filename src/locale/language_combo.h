// What the language manager needs from the language page's combo box. The
// combo box holds display names only, unsorted, in the order they were added;
// the page reads the selected item's text and passes it to SetLanguage.
#pragma once

#include <string>

class LanguageCombo {
 public:
  // Removes every item (CB_RESETCONTENT).
  virtual void ClearItems() = 0;
  // Number of items (CB_GETCOUNT).
  virtual int ItemCount() = 0;
  // Appends a display name at the end (CB_ADDSTRING on an unsorted combo box).
  virtual void AppendItem(const std::wstring& displayName) = 0;
  // Selects the item at that index (CB_SETCURSEL).
  virtual void SelectItem(int index) = 0;
  // Hides the combo box (ShowWindow SW_HIDE); the branded wizard never
  // offers a choice.
  virtual void HideCombo() = 0;

 protected:
  ~LanguageCombo() = default;
};
