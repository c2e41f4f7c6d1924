// Turning the name of a ZIP entry into a path inside the extraction folder,
// or refusing it. Names come from a downloaded file and are untrusted.
#pragma once

#include <string>
#include <vector>

struct ZipEntryPath {
  std::vector<std::wstring> parts;  // folder names, then the entry's own name
  bool isFolder = false;            // the name ended in a separator
};

// Decodes `raw` (UTF-8 when `utf8`, the general-purpose flag's bit 11, else
// code page 437 as the format says) and splits it at "/" and "\". False for
// any name that could land outside the folder or anywhere but a plain file
// of that name: an absolute path, an empty part ("a//b"), ".", "..", a drive
// letter or stream (":"), a device name ("nul", "COM1.txt"), a part that
// Windows would change (trailing dots or blanks: "..." means ".." to it),
// characters Windows refuses or control characters, and malformed UTF-8.
bool ParseZipEntryName(const std::string& raw, bool utf8, ZipEntryPath& path);
