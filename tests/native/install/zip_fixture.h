// A working folder in memory with one downloaded archive in it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_install_platform.h"
#include "install/zip_extractor.h"
#include "zip_builder.h"

struct ZipFixture : ::testing::Test {
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeFileReaders readers{streams};
  ZipPlatform zip{readers, streams, files};
  const std::wstring work = L"C:\\W";
  const std::wstring archive = L"C:\\W\\pack.zip";
  const std::wstring target = L"C:\\W\\pack";

  ZipFixture() {
    files.directories.insert(work);
    files.directories.insert(target);
  }

  void Save(const std::wstring& path, const std::string& content) {
    files.files.insert(path);
    streams.contents[path] = content;
  }

  ZipStatus Extract(const std::string& bytes, std::uint64_t bound = kMaxExtractedBytes) {
    Save(archive, bytes);
    return ExtractZip(zip, archive, target, bound);
  }

  // Everything below the target folder, files and folders.
  std::size_t Written() const {
    std::size_t count = 0;
    const std::wstring prefix = target + L"\\";
    for (const auto& path : files.files) count += path.compare(0, prefix.size(), prefix) == 0;
    for (const auto& path : files.directories) count += path.compare(0, prefix.size(), prefix) == 0;
    return count;
  }
};
