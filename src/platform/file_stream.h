// Writing a file piece by piece and asking for the size of a finished one,
// as CreateFileW / WriteFileW / GetFileSizeEx see them. Downloads stream
// through this to disk; a file is never held whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// An open file; closed when released.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes every byte; false with the GetLastError value in `error` when the
  // system refuses (disk full, for example).
  virtual bool Write(const void* data, std::size_t size, std::uint32_t& error) = 0;
  // Flushes and closes; false with `error` when the data could not be written.
  virtual bool Close(std::uint32_t& error) = 0;
};

class FileStreams {
 public:
  virtual ~FileStreams() = default;
  // Creates a new file for writing. Whatever was at the path before (an
  // earlier attempt's file, a hard link, a symbolic link) is deleted first
  // and never written through: the bytes always go into a file this call
  // created. Returns null with the GetLastError value in `error` on failure
  // (also when something reappears at the path in between).
  virtual std::unique_ptr<WritableFile> CreateForWriting(const std::wstring& path,
                                                         std::uint32_t& error) = 0;
  // Opens an existing file for reading and reads its size; false with
  // `error` when it cannot be opened.
  virtual bool QueryFileSize(const std::wstring& path, std::uint64_t& size,
                             std::uint32_t& error) = 0;
};

}  // namespace platform
