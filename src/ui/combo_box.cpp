#include "ui/combo_box.h"

#include <vector>

namespace ui {

std::wstring ComboBox::GetLBText(int index) const {
  const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length < 0) return {};
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  if (SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.data())) == CB_ERR) {
    return {};
  }
  return std::wstring(text.data());
}

}  // namespace ui
