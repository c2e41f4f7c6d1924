#include <windows.h>

#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32WritableFile final : public WritableFile {
 public:
  explicit Win32WritableFile(ScopedFile file) : file_(std::move(file)) {}

  bool Write(const void* data, std::size_t size, std::uint32_t& error) override {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD piece = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(file_.get(), bytes, piece, &written, nullptr)) {
        error = GetLastError();
        return false;
      }
      bytes += written;
      size -= written;
    }
    return true;
  }

  bool Close(std::uint32_t& error) override {
    if (!file_) {  // closed already
      error = ERROR_INVALID_HANDLE;
      return false;
    }
    const bool closed = file_.Close();
    if (!closed) error = GetLastError();
    return closed;
  }

 private:
  ScopedFile file_;
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
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32WritableFile>(std::move(file));
  }

  bool QueryFileSize(const std::wstring& path, std::uint64_t& size,
                     std::uint32_t& error) override {
    const ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error = GetLastError();
      return false;
    }
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.get(), &length)) {
      error = GetLastError();
      return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
  }
};

}  // namespace

FileStreams& RealFileStreams() {
  static Win32FileStreams streams;
  return streams;
}

}  // namespace platform::win32
