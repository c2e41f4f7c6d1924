// The framework's combo box: a thin object over a combo box window.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class ComboBox {
 public:
  void Attach(HWND window) { hwnd_ = window; }
  HWND hwnd() const { return hwnd_; }

  void ResetContent() const { SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
  int GetCount() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
  int AddString(const std::wstring& text) const {
    return static_cast<int>(SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int GetCurSel() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }
  void SetCurSel(int index) const { SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  // The text of item `index`; empty when there is no such item.
  std::wstring GetLBText(int index) const;
  void ShowWindow(int command) const { ::ShowWindow(hwnd_, command); }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace ui
