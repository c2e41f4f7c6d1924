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
};

}  // namespace

FileSystem& Files() {
  static Win32FileSystem files;
  return files;
}

}  // namespace platform::win32
