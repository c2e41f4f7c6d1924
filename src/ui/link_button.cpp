#include "ui/link_button.h"

#include <vector>

#include "platform/win32/scoped_handle.h"
#include "ui/web_link_opener.h"

namespace ui {
namespace {

constexpr COLORREF kLinkColour = RGB(0, 102, 204);

}  // namespace

LinkButton::~LinkButton() {
  Detach();
}

std::wstring LinkButton::Caption() const {
  const int length = GetWindowTextLengthW(hwnd());
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
  GetWindowTextW(hwnd(), text.data(), length + 1);
  return std::wstring(text.data());
}

HFONT LinkButton::LinkFont() {
  HFONT base = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (linkFont_ && base == linkFontBase_) return linkFont_.get();
  LOGFONTW font{};
  if (!GetObjectW(base ? static_cast<HGDIOBJ>(base) : GetStockObject(DEFAULT_GUI_FONT),
                  sizeof font, &font)) {
    return base;
  }
  font.lfUnderline = TRUE;
  linkFont_.reset(CreateFontIndirectW(&font));
  linkFontBase_ = base;
  return linkFont_ ? linkFont_.get() : base;
}

void LinkButton::SizeToContent() {
  if (!hwnd()) return;
  const platform::win32::ScopedWindowDc dc = platform::win32::WindowDc(hwnd());
  HGDIOBJ old = SelectObject(dc.get(), LinkFont());
  const std::wstring caption = Caption();
  RECT text{0, 0, 0, 0};
  DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc.get(), old);
  // One pixel each side for the focus rectangle.
  SetWindowPos(hwnd(), nullptr, 0, 0, text.right + 2, text.bottom + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

bool LinkButton::OnReflectedCommand(int notifyCode) {
  if (notifyCode != BN_CLICKED) return false;
  OpenWebLink(url_);
  return true;
}

bool LinkButton::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  if (HBRUSH background = ParentBackground(dc)) FillRect(dc, &area, background);
  HGDIOBJ old = SelectObject(dc, LinkFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : kLinkColour);
  const std::wstring caption = Caption();
  RECT text = area;
  InflateRect(&text, -1, -1);
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_VCENTER);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    DrawFocusRect(dc, &area);
  }
  SelectObject(dc, old);
  return true;
}

LRESULT LinkButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  return Control::WindowProc(message, wParam, lParam);
}

}  // namespace ui
