#include <windows.h>
#include <shlwapi.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
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

  bool MakeDirectory(const std::wstring& path) override {
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
  }

  bool IsDirectory(const std::wstring& path) override {
    return PathIsDirectoryW(path.c_str()) != FALSE;
  }

  bool PathExists(const std::wstring& path) override {
    return PathFileExistsW(path.c_str()) != FALSE;
  }

  bool IsDirectoryEmpty(const std::wstring& path) override {
    return PathIsDirectoryEmptyW(path.c_str()) != FALSE;
  }

  bool FindEntries(const std::wstring& pattern, std::vector<FolderEntry>& entries) override {
    entries.clear();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
      entries.push_back({found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(search, &found));
    FindClose(search);
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
};

}  // namespace

FileSystem& Files() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform::win32
