#include "ui/web_link_opener.h"

#include <windows.h>
#include <shellapi.h>

#include "config/web_link.h"

namespace ui {
namespace {

WebLinkOpener testOpener = nullptr;

}  // namespace

bool OpenWebLink(const std::wstring& url) {
  if (!IsWebLink(url)) return false;
  if (testOpener) {
    testOpener(url);
  } else {
    ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  return true;
}

void SetWebLinkOpener(WebLinkOpener opener) { testOpener = opener; }

}  // namespace ui
