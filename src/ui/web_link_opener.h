// Opening an address from a link: the shell's "open" verb, SW_SHOWNORMAL,
// and only for web addresses (config/web_link.h) — the installer runs
// elevated and link targets come from the server.
#pragma once

#include <string>

namespace ui {

// Opens `url` in the user's browser; false, opening nothing, when it is
// empty or not a web address.
bool OpenWebLink(const std::wstring& url);

// Test seam: where OpenWebLink sends the addresses it lets through instead
// of the shell (null: the shell again).
using WebLinkOpener = void (*)(const std::wstring& url);
void SetWebLinkOpener(WebLinkOpener opener);

}  // namespace ui
