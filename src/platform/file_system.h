// Files and folders, as the Windows calls behind them see them. Method names
// avoid the Win32 A/W macro names so this header mixes safely with <windows.h>.
#pragma once

#include <string>

namespace platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // GetTempPathW with a 260-character buffer; empty on failure.
  virtual std::wstring TempFolder() = 0;
  // GetTempFileNameW: creates an empty file with a unique name in `folder`
  // and returns its path; false on failure.
  virtual bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                                    unsigned unique, std::wstring& path) = 0;
  virtual bool RemoveFile(const std::wstring& path) = 0;
  virtual bool MakeDirectory(const std::wstring& path) = 0;
  // PathIsDirectoryW.
  virtual bool IsDirectory(const std::wstring& path) = 0;
};

}  // namespace platform
