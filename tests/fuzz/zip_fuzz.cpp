// A downloaded ZIP archive: GetArchiveKind, the built-in extractor
// (ExtractZip) and the entry names it accepts.
//
// Input: the archive's bytes, as downloaded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fakes/fake_install_platform.h"
#include "install/archive_helpers.h"
#include "install/zip_extractor.h"

namespace {

const std::wstring kWork = L"C:\\W";
const std::wstring kArchive = L"C:\\W\\pack.zip";
const std::wstring kTarget = L"C:\\W\\pack";
// Small, so that inputs that claim more are refused quickly.
constexpr std::uint64_t kBound = 4u << 20;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeFileReaders readers{streams};
  files.directories.insert(kWork);
  files.directories.insert(kTarget);
  files.files.insert(kArchive);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  streams.contents[kArchive] = bytes;

  const ArchiveKind kind = GetArchiveKind(readers, kArchive);
  Check((kind == kArchiveZip) == (bytes.compare(0, 4, std::string("PK\x03\x04")) == 0));

  const ZipStatus status = ExtractZip({readers, streams, files}, kArchive, kTarget, kBound);
  // Nothing lands outside the folder, and no more than the bound is written.
  std::uint64_t written = 0;
  const std::wstring inside = kTarget + L"\\";
  for (const auto& path : files.files) {
    if (path == kArchive) continue;
    Check(path.compare(0, inside.size(), inside) == 0);
    Check(path.find(L"\\..\\") == std::wstring::npos && path.find(L':', 2) == std::wstring::npos);
    written += streams.contents[path].size();
  }
  for (const auto& path : files.directories) {
    Check(path == kWork || path == kTarget || path.compare(0, inside.size(), inside) == 0);
  }
  Check(written <= kBound);
  Check(streams.contents[kArchive] == bytes);  // the archive itself is only read
  // These are decided from the directory alone, before anything is written.
  if (status == ZipStatus::kUnsafeName || status == ZipStatus::kUnsupported ||
      status == ZipStatus::kEmpty) {
    Check(written == 0 && streams.createCount == 0);
  }
  return 0;
}
