#include "fakes/fake_install_platform.h"

#include <algorithm>
#include <cstring>

namespace {

class FakeReadableFile : public platform::ReadableFile {
 public:
  FakeReadableFile(std::string content, bool fails, std::uint64_t& counter)
      : content_(std::move(content)), fails_(fails), counter_(counter) {}
  std::uint64_t Size() const override { return content_.size(); }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& read,
              std::uint32_t& error) override {
    if (fails_) {
      error = 23;  // ERROR_CRC: a bad sector
      return false;
    }
    read = 0;
    if (offset < content_.size()) {
      read = std::min<std::uint64_t>(size, content_.size() - offset);
      if (read > 0) std::memcpy(buffer, content_.data() + offset, read);
    }
    counter_ += read;
    return true;
  }

 private:
  std::string content_;
  bool fails_;
  std::uint64_t& counter_;
};

}  // namespace

std::unique_ptr<platform::ReadableFile> FakeFileReaders::OpenForReading(const std::wstring& path,
                                                                        std::uint32_t& error) {
  opened.push_back(path);
  if (unreadable.count(path) == 1) {
    error = 5;
    return nullptr;
  }
  if (!streams_.Exists(path)) {
    error = 2;
    return nullptr;
  }
  return std::make_unique<FakeReadableFile>(streams_.contents[path], readsFail.count(path) == 1,
                                            bytesRead);
}

bool FakeZipShell::ExtractZipWithShell(const std::wstring& archive, const std::wstring& destination) {
  calls.emplace_back(archive, destination);
  for (const auto& [name, content] : writes) {
    std::uint32_t error = 0;
    auto file = streams->CreateForWriting(destination + L"\\" + name, error);
    if (file) {
      file->Write(content.data(), content.size(), error);
      file->Close(error);
    }
  }
  return answer;
}
