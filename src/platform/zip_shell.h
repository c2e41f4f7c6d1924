// The Windows shell's own ZIP folder (Shell.Application), which unpacks an
// archive by copying its items into a folder.
#pragma once

#include <string>

namespace platform {

class ZipShell {
 public:
  virtual ~ZipShell() = default;
  // Copies every item of the ZIP file `archive` into the existing folder
  // `destination` silently (no progress window, questions or error boxes).
  // True only when the shell opened the archive as a folder, found at least
  // one item and the copy call succeeded; false when the system has no ZIP
  // folder (Wine) or anything fails, so the caller can unpack it itself.
  virtual bool ExtractZipWithShell(const std::wstring& archive,
                                   const std::wstring& destination) = 0;
};

}  // namespace platform
