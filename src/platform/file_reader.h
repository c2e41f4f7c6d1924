// Reading an existing file at any offset, as CreateFileW(GENERIC_READ,
// OPEN_EXISTING), SetFilePointerEx and ReadFile see it: archives are checked
// and unpacked from disk, never loaded whole into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// An open file; closed when released.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The size when the file was opened (GetFileSizeEx).
  virtual std::uint64_t Size() const = 0;
  // Reads up to `size` bytes from `offset`; `read` is less than `size` only
  // at the end of the file. False with the GetLastError value in `error`.
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& read,
                      std::uint32_t& error) = 0;
};

class FileReaders {
 public:
  virtual ~FileReaders() = default;
  // Opens an existing file for reading (others may read it too, nobody may
  // write it meanwhile). Null with the GetLastError value in `error`.
  virtual std::unique_ptr<ReadableFile> OpenForReading(const std::wstring& path,
                                                       std::uint32_t& error) = 0;
};

}  // namespace platform
