// Whether a configured download location is a full URL (used as it is) or
// an object path on the file host (which the download pages put the host's
// base URL in front of).
#pragma once

#include <string>

#include "platform/code_pages.h"

// Whether `text` is, as a whole, an optional "http://" or "https://", a host
// of letters, digits, "_", "." and "-" holding a dot with something after
// it, an optional port (":" and digits), and optionally anything else that
// starts with "/", "?" or "#" (no line breaks). In regular-expression terms:
//   ^((http|https):\/\/)?([\w.-]+)(\.[\w.-]+)+(:\d+)?([\/?#].*)?$
// matched the way ECMAScript does it, byte by byte. Bytes outside ASCII are
// never letters.
bool MatchesDownloadUrl(const std::string& text);

// MatchesDownloadUrl on `text` converted to the thread's ANSI code page, or
// a text that starts with "http://" or "https://" (any case) and holds no
// control characters; false when it cannot be converted. So
// "https://cdn.vellam.example:8443/a.exe", "https://localhost/a.exe",
// "cdn.vellam.example/a.exe" and a bare "setup.exe" are URLs, while
// "Varnex/PellioClassic/Pellio_.exe" (no dot before the first slash) and an
// empty text are not.
bool IsValidDownloadUrl(platform::CodePages& codePages, const std::wstring& text);
