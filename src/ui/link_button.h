// The framework's link button: an owner-drawn button that shows its caption as
// an underlined link and opens its URL in the browser when clicked (web
// addresses only, ui/web_link_opener.h).
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/scoped_handle.h"
#include "ui/control.h"

namespace ui {

class LinkButton : public Control {
 public:
  ~LinkButton() override;

  // The address opened on click; an empty one, or one that is not a web
  // address, opens nothing.
  void SetURL(const std::wstring& url) { url_ = url; }
  const std::wstring& URL() const { return url_; }
  // Resizes the control to its caption (width and height of the text).
  void SizeToContent();

  bool OnReflectedCommand(int notifyCode) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HFONT LinkFont();
  std::wstring Caption() const;

  std::wstring url_;
  platform::win32::ScopedFont linkFont_;
  HFONT linkFontBase_ = nullptr;  // the control font linkFont_ was made from
};

}  // namespace ui
