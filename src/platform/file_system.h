// Files and folders, as the Windows calls behind them see them. Method names
// avoid the Win32 A/W macro names so this header mixes safely with <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// GetLastError values the file calls report.
constexpr std::uint32_t kFileErrorSuccess = 0;
constexpr std::uint32_t kFileErrorFileNotFound = 2;
constexpr std::uint32_t kFileErrorPathNotFound = 3;
constexpr std::uint32_t kFileErrorAccessDenied = 5;
constexpr std::uint32_t kFileErrorSharingViolation = 32;
constexpr std::uint32_t kFileErrorDirNotEmpty = 145;
constexpr std::uint32_t kFileErrorDirectory = 267;  // ERROR_DIRECTORY: not a folder

// One entry found by FindFirstFileW / FindNextFileW.
struct FolderEntry {
  std::wstring name;  // cFileName, "." and ".." included
  bool isDirectory = false;  // FILE_ATTRIBUTE_DIRECTORY
};

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

  // PathFileExistsW.
  virtual bool PathExists(const std::wstring& path) = 0;
  // PathIsDirectoryEmptyW: true only for an existing folder without entries.
  virtual bool IsDirectoryEmpty(const std::wstring& path) = 0;
  // FindFirstFileW / FindNextFileW / FindClose over `pattern` (a folder path
  // followed by "\*.*"): every entry in the order the system gives them.
  // False when the search cannot start (entries then stays empty).
  virtual bool FindEntries(const std::wstring& pattern, std::vector<FolderEntry>& entries) = 0;
  // DeleteFileW: kFileErrorSuccess or the GetLastError value of the failure.
  virtual std::uint32_t DeleteFileStatus(const std::wstring& path) = 0;
  // RemoveDirectoryW: kFileErrorSuccess or the GetLastError value.
  virtual std::uint32_t RemoveFolderStatus(const std::wstring& path) = 0;
  // MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT): the path is
  // deleted when Windows next starts. False when it cannot be registered.
  virtual bool DeleteAtRestart(const std::wstring& path) = 0;
};

}  // namespace platform
