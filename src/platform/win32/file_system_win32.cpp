#include <windows.h>
#include <shlwapi.h>

#include <map>
#include <mutex>

#include "platform/win32/private_folder.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

// The portable error codes are Windows' own.
static_assert(kFileErrorSuccess == ERROR_SUCCESS && kFileErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              kFileErrorPathNotFound == ERROR_PATH_NOT_FOUND &&
              kFileErrorAccessDenied == ERROR_ACCESS_DENIED &&
              kFileErrorSharingViolation == ERROR_SHARING_VIOLATION &&
              kFileErrorFileExists == ERROR_FILE_EXISTS && kFileErrorDirNotEmpty == ERROR_DIR_NOT_EMPTY &&
              kFileErrorAlreadyExists == ERROR_ALREADY_EXISTS && kFileErrorDirectory == ERROR_DIRECTORY);
namespace {

class Win32FileSystem final : public FileSystem {
 public:
  std::wstring TempFolder() override {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    if (length == 0 || length > MAX_PATH) return {};
    return std::wstring(buffer, length);
  }

  bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                            unsigned unique, std::wstring& path) override {
    wchar_t buffer[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), prefix.c_str(), unique, buffer) == 0) return false;
    path = buffer;
    return true;
  }

  bool RemoveFile(const std::wstring& path) override { return DeleteFileW(path.c_str()) != 0; }

  std::uint32_t MakePrivateDirectory(const std::wstring& path, const std::wstring& sddl) override {
    ScopedFile held;
    const DWORD status = CreatePrivateFolder(path, sddl, held);
    if (status != ERROR_SUCCESS) return status;
    std::lock_guard<std::mutex> lock(heldMutex_);
    held_[path] = std::move(held);
    return ERROR_SUCCESS;
  }

  void ReleaseFolder(const std::wstring& path) override {
    std::lock_guard<std::mutex> lock(heldMutex_);
    const auto found = held_.find(path);
    if (found == held_.end()) return;
    held_.erase(found);
  }

  bool IsDirectory(const std::wstring& path) override {
    return PathIsDirectoryW(path.c_str()) != FALSE;
  }

  std::uint32_t CreateFolderStatus(const std::wstring& path) override {
    return CreateDirectoryW(path.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
  }

  bool PathExists(const std::wstring& path) override {
    return PathFileExistsW(path.c_str()) != FALSE;
  }

  bool IsReparsePoint(const std::wstring& path) override {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  bool IsDirectoryEmpty(const std::wstring& path) override {
    return PathIsDirectoryEmptyW(path.c_str()) != FALSE;
  }

  bool FindEntries(const std::wstring& pattern, std::vector<FolderEntry>& entries) override {
    entries.clear();
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW(pattern.c_str(), &found));
    if (!search) return false;
    do {
      entries.push_back({found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                         (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(search.get(), &found));
    return true;
  }

  std::uint32_t DeleteFileStatus(const std::wstring& path) override {
    return DeleteFileW(path.c_str()) ? ERROR_SUCCESS : GetLastError();
  }

  std::uint32_t RemoveFolderStatus(const std::wstring& path) override {
    return RemoveDirectoryW(path.c_str()) ? ERROR_SUCCESS : GetLastError();
  }

  bool DeleteAtRestart(const std::wstring& path) override {
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  }

 private:
  std::mutex heldMutex_;
  std::map<std::wstring, ScopedFile> held_;  // folders pinned by MakePrivateDirectory
};

}  // namespace

FileSystem& RealFileSystem() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform::win32
