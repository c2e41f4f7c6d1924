#include <windows.h>

#include <utility>

#include "platform/win32/win32_platform.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32 {
namespace {

class Win32ReadableFile final : public ReadableFile {
 public:
  Win32ReadableFile(ScopedFile file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

  std::uint64_t Size() const override { return size_; }

  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& read,
              std::uint32_t& error) override {
    read = 0;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN)) {
      error = GetLastError();
      return false;
    }
    char* bytes = static_cast<char*>(buffer);
    while (read < size) {
      const std::size_t left = size - read;
      const DWORD piece = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
      DWORD got = 0;
      if (!ReadFile(file_.get(), bytes + read, piece, &got, nullptr)) {
        error = GetLastError();
        return false;
      }
      if (got == 0) break;  // the end of the file
      read += got;
    }
    return true;
  }

 private:
  ScopedFile file_;
  std::uint64_t size_;
};

class Win32FileReaders final : public FileReaders {
 public:
  std::unique_ptr<ReadableFile> OpenForReading(const std::wstring& path,
                                               std::uint32_t& error) override {
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error = GetLastError();
      return nullptr;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
      error = GetLastError();
      return nullptr;
    }
    return std::make_unique<Win32ReadableFile>(std::move(file),
                                               static_cast<std::uint64_t>(size.QuadPart));
  }
};

}  // namespace

FileReaders& RealFileReaders() {
  static Win32FileReaders readers;
  return readers;
}

}  // namespace platform::win32
