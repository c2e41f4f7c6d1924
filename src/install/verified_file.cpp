#include "install/verified_file.h"

#include <cstdint>
#include <vector>

#include "config/sha256.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Digits and error numbers; anything else the server sent shows as '?'.
std::wstring Wide(const std::string& text) {
  std::wstring wide;
  for (const char c : text) wide += (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ? c : L'?';
  return wide;
}

}  // namespace

std::unique_ptr<platform::ReadableFile> OpenVerifiedFile(platform::FileReaders& readers,
                                                         const std::wstring& path,
                                                         const std::string& sha256,
                                                         std::wstring& failure) {
  std::uint32_t error = 0;
  std::unique_ptr<platform::ReadableFile> file = readers.OpenForReading(path, error);
  if (!file) {
    failure = L"cannot open the file to check its digest (error " +
              Wide(std::to_string(error)) + L")";
    return nullptr;
  }
  Sha256 sha;
  std::vector<std::uint8_t> buffer(kChunk);
  std::uint64_t offset = 0;
  for (;;) {
    std::size_t read = 0;
    if (!file->ReadAt(offset, buffer.data(), buffer.size(), read, error)) {
      failure = L"cannot read the file to check its digest (error " +
                Wide(std::to_string(error)) + L")";
      return nullptr;
    }
    sha.Update(buffer.data(), read);
    offset += read;
    if (read < buffer.size()) break;
  }
  const auto digest = sha.Finish();
  const std::string actual = HexBytes(digest.data(), digest.size());
  if (actual != sha256) {
    // The server's text may be anything: only a digest's worth of it is quoted.
    failure = L"SHA-256 mismatch: expected " + Wide(sha256.substr(0, 64)) + L", file has " +
              Wide(actual);
    return nullptr;
  }
  return file;
}
