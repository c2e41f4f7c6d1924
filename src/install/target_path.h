// Where a downloaded file goes: a folder and a file name taken from the URL
// or given by the caller.
#pragma once

#include <string>

// Everything after the URL's last "/", the query string included; empty when
// the URL has no "/".
std::wstring FileNameFromUrl(const std::wstring& url);

// The name as Windows can create it. Characters Windows refuses in a file
// name (< > : " / \ | ? * and control characters) become "_", so
// "setup.exe?x=1" is saved as "setup.exe_x=1" and no name can climb out of
// its folder or name a stream or a device path. Trailing dots and blanks
// (which Windows would drop) become "_" too, and a reserved device name (CON,
// PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, any case, with or without
// an extension) gets a leading "_": "nul.txt" is saved as "_nul.txt". A name
// of only dots names the folder itself and becomes empty.
std::wstring SafeFileName(const std::wstring& name);

// PathAppendW for a plain file name: the folder, one backslash, the name.
// An empty name leaves the folder as it is. False (and `path` untouched)
// when the result would not fit MAX_PATH (260 characters with the
// terminating zero).
bool AppendFileName(const std::wstring& folder, const std::wstring& name, std::wstring& path);
