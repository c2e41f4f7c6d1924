// Which addresses the installer opens with the shell. It runs elevated and
// the link targets of several pages come from the configuration server, so
// a link may only ever start the user's browser: never a file, a program, a
// share or another URL scheme.
#pragma once

#include <string>

// True for an absolute "http://" or "https://" URL (scheme in any case) with
// a host, written only with the characters a URL may hold (RFC 3986:
// letters, digits and -._~:/?#[]@!$&'()*+,;=%). Blanks, quotes, angle
// brackets, backslashes, control characters and anything outside ASCII are
// refused: a browser's command line could otherwise be given extra
// arguments, and "http:\\host\share" style paths reach the file system.
bool IsWebLink(const std::wstring& url);
