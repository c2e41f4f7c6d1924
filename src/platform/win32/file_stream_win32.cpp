#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32WritableFile final : public WritableFile {
 public:
  explicit Win32WritableFile(HANDLE file) : file_(file) {}
  ~Win32WritableFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }

  bool Write(const void* data, std::size_t size, std::uint32_t& error) override {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD piece = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(file_, bytes, piece, &written, nullptr)) {
        error = GetLastError();
        return false;
      }
      bytes += written;
      size -= written;
    }
    return true;
  }

  bool Close(std::uint32_t& error) override {
    const BOOL closed = CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) error = GetLastError();
    return closed != FALSE;
  }

 private:
  HANDLE file_;
};

class Win32FileStreams final : public FileStreams {
 public:
  std::unique_ptr<WritableFile> CreateForWriting(const std::wstring& path,
                                                 std::uint32_t& error) override {
    // Truncating an existing file would write through a hard link or a
    // symbolic link planted at the path (the DLM saves into the user's
    // Downloads folder): remove the name instead (a link goes as a link) and
    // insist on a file of our own.
    if (!DeleteFileW(path.c_str())) {
      const DWORD deleteError = GetLastError();
      if (deleteError != ERROR_FILE_NOT_FOUND && deleteError != ERROR_PATH_NOT_FOUND) {
        error = deleteError;
        return nullptr;
      }
    }
    // Others may read the file while it grows (a virus scanner, say), never write it.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32WritableFile>(file);
  }

  bool QueryFileSize(const std::wstring& path, std::uint64_t& size,
                     std::uint32_t& error) override {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = GetLastError();
      return false;
    }
    LARGE_INTEGER length{};
    const BOOL ok = GetFileSizeEx(file, &length);
    if (!ok) error = GetLastError();
    CloseHandle(file);
    if (!ok) return false;
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
  }
};

}  // namespace

FileStreams& Streams() {
  static Win32FileStreams streams;
  return streams;
}

}  // namespace platform::win32
