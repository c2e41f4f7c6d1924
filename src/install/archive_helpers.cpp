#include "install/archive_helpers.h"

#include <cstring>

#include "config/decimal_text.h"
#include "install/target_path.h"

namespace {

constexpr std::size_t kMaxPath = 260;
// Tries before giving up on a free name for the extraction folder.
constexpr int kMaxFolderTries = 100;

bool HasPrefix(const unsigned char* bytes, std::size_t size, const char* signature,
               std::size_t length) {
  return size >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

ArchiveKind GetArchiveKind(platform::FileReaders& readers, const std::wstring& path) {
  std::uint32_t error = 0;
  const auto file = readers.OpenForReading(path, error);
  if (!file) return kArchiveNone;
  unsigned char head[6] = {};
  std::size_t read = 0;
  if (!file->ReadAt(0, head, sizeof head, read, error)) return kArchiveNone;
  if (HasPrefix(head, read, "PK\x03\x04", 4)) return kArchiveZip;
  if (HasPrefix(head, read, "7z\xBC\xAF\x27\x1C", 6)) return kArchive7Zip;
  return kArchiveNone;
}

std::wstring MakeExtractFolder(platform::FileSystem& files, const std::wstring& archive,
                               const std::wstring& base) {
  const auto slash = archive.rfind(L'\\');
  std::wstring name = slash == std::wstring::npos ? archive : archive.substr(slash + 1);
  const auto dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  name = SafeFileName(name);
  if (name.empty()) name = L"archive";
  for (int attempt = 1; attempt <= kMaxFolderTries; ++attempt) {
    const std::wstring candidate = attempt == 1 ? name : name + L"-" + ToDecimal(attempt);
    std::wstring folder;
    if (!AppendFileName(base, candidate, folder)) return {};
    const std::uint32_t status = files.CreateFolderStatus(folder);
    if (status == platform::kFileErrorSuccess) return folder;
    if (status != platform::kFileErrorAlreadyExists) return {};
  }
  return {};
}

std::wstring FindFirstExe(platform::FileSystem& files, const std::wstring& folder) {
  const std::wstring pattern = folder + L"\\*.exe";
  if (pattern.size() >= kMaxPath) return {};
  std::vector<platform::FolderEntry> entries;
  if (!files.FindEntries(pattern, entries)) return {};
  for (const auto& entry : entries) {
    if (!entry.isDirectory && !entry.isReparsePoint) return entry.name;
  }
  return {};
}

std::wstring PrepareInstaller(const InstallerFiles& platform, const std::wstring& path,
                              ArchiveKind kind, const std::wstring& base) {
  if (kind != kArchiveZip) return path;
  std::wstring folder = MakeExtractFolder(platform.files, path, base);
  if (folder.empty()) return path;
  // The shell's answer alone is not trusted: a copy that "succeeded" into an
  // empty folder extracted nothing.
  bool extracted = platform.shell.ExtractZipWithShell(path, folder) &&
                   !platform.files.IsDirectoryEmpty(folder);
  if (!extracted) {
    // Whatever a failed shell copy left behind stays out of the way.
    if (!platform.files.IsDirectoryEmpty(folder)) {
      folder = MakeExtractFolder(platform.files, path, base);
      if (folder.empty()) return path;
    }
    const ZipPlatform zip{platform.readers, platform.streams, platform.files};
    extracted = ExtractZip(zip, path, folder) == ZipStatus::kExtracted;
  }
  if (!extracted) return path;
  const std::wstring name = FindFirstExe(platform.files, folder);
  std::wstring installer;
  if (name.empty() || !AppendFileName(folder, name, installer)) return path;
  return installer;
}
