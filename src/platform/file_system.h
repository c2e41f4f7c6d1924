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
constexpr std::uint32_t kFileErrorFileExists = 80;
constexpr std::uint32_t kFileErrorDirNotEmpty = 145;
constexpr std::uint32_t kFileErrorAlreadyExists = 183;
constexpr std::uint32_t kFileErrorDirectory = 267;  // ERROR_DIRECTORY: not a folder

// One entry found by FindFirstFileW / FindNextFileW.
struct FolderEntry {
  std::wstring name;  // cFileName, "." and ".." included
  bool isDirectory = false;  // FILE_ATTRIBUTE_DIRECTORY
  // FILE_ATTRIBUTE_REPARSE_POINT: a junction or symbolic link, whose target
  // lies anywhere, even outside the folder being listed.
  bool isReparsePoint = false;
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
  // CreateDirectoryW with the security descriptor `sddl` (SDDL text) as
  // given, nothing inherited beyond it. Succeeds only when this call created
  // a real folder (no existing folder, file or reparse point at `path`); the
  // new folder is then held open without delete sharing until ReleaseFolder,
  // so that no other process can rename it away and put something else in
  // its place. kFileErrorSuccess or the GetLastError value of the failure
  // (kFileErrorAlreadyExists when something is already there).
  virtual std::uint32_t MakePrivateDirectory(const std::wstring& path, const std::wstring& sddl) = 0;
  // Lets go of a folder held by MakePrivateDirectory (nothing when not held).
  virtual void ReleaseFolder(const std::wstring& path) = 0;
  // PathIsDirectoryW.
  virtual bool IsDirectory(const std::wstring& path) = 0;
  // CreateDirectoryW(path, nullptr): one level, the parent must exist; the
  // new folder inherits its parent's protection. kFileErrorSuccess or the
  // GetLastError value (kFileErrorAlreadyExists when anything is there).
  virtual std::uint32_t CreateFolderStatus(const std::wstring& path) = 0;

  // PathFileExistsW.
  virtual bool PathExists(const std::wstring& path) = 0;
  // GetFileAttributesW reports FILE_ATTRIBUTE_REPARSE_POINT for the path
  // itself (a link is not followed).
  virtual bool IsReparsePoint(const std::wstring& path) = 0;
  // PathIsDirectoryEmptyW: true only for an existing folder without entries.
  virtual bool IsDirectoryEmpty(const std::wstring& path) = 0;
  // FindFirstFileW / FindNextFileW / FindClose over `pattern` (a folder path
  // followed by "\*.*", or by "\*.exe" for one kind of file): every entry in
  // the order the system gives them.
  // False when the search cannot start (entries then stays empty).
  virtual bool FindEntries(const std::wstring& pattern, std::vector<FolderEntry>& entries) = 0;
  // DeleteFileW: kFileErrorSuccess or the GetLastError value of the failure.
  // On a file symbolic link it removes the link, never its target.
  virtual std::uint32_t DeleteFileStatus(const std::wstring& path) = 0;
  // RemoveDirectoryW: kFileErrorSuccess or the GetLastError value. On a
  // junction or directory link it removes the link, never its target.
  virtual std::uint32_t RemoveFolderStatus(const std::wstring& path) = 0;
  // MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT): the path is
  // deleted when Windows next starts. False when it cannot be registered.
  virtual bool DeleteAtRestart(const std::wstring& path) = 0;
};

}  // namespace platform
