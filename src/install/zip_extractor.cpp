#include "install/zip_extractor.h"

#include <memory>
#include <vector>

#include "compression/crc32.h"
#include "compression/inflater.h"
#include "install/target_path.h"
#include "install/zip_entry_name.h"

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
// 65535 entries with names, extras and comments of a few hundred bytes each
// stay far below this; the directory is read whole, so it is bounded too.
constexpr std::uint32_t kMaxDirectorySize = 16u << 20;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kFlagMaskedHeader = 0x2000;
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// External attributes: FILE_ATTRIBUTE_REPARSE_POINT in the low word, or a
// Unix mode (archives made on Unix, "version made by" 3) in the high word.
constexpr std::uint32_t kAttributeReparsePoint = 0x400;
constexpr unsigned kMadeOnUnix = 3;
constexpr std::uint32_t kUnixFileType = 0170000;
constexpr std::uint32_t kUnixSymbolicLink = 0120000;

constexpr std::size_t kChunk = 64 * 1024;

std::uint16_t Read16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Entry {
  ZipEntryPath path;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t localOffset = 0;
};

// Exactly `size` bytes at `offset`, or false.
bool ReadExactly(platform::ReadableFile& file, std::uint64_t offset, void* buffer,
                 std::size_t size) {
  std::size_t read = 0;
  std::uint32_t error = 0;
  return file.ReadAt(offset, buffer, size, read, error) && read == size;
}

// The entry's compressed bytes, read from the archive a chunk at a time.
class EntryData : public InflateSource {
 public:
  EntryData(platform::ReadableFile& archive, std::uint64_t offset, std::uint32_t size)
      : archive_(archive), offset_(offset), left_(size), buffer_(kChunk) {}
  bool Next(const std::uint8_t*& data, std::size_t& size) override {
    if (left_ == 0) return false;  // the data ends before the stream does
    const std::size_t piece = left_ < kChunk ? left_ : kChunk;
    if (!ReadExactly(archive_, offset_, buffer_.data(), piece)) return false;
    offset_ += piece;
    left_ -= static_cast<std::uint32_t>(piece);
    data = buffer_.data();
    size = piece;
    return true;
  }

 private:
  platform::ReadableFile& archive_;
  std::uint64_t offset_;
  std::uint32_t left_;
  std::vector<std::uint8_t> buffer_;
};

// The output, checksummed and written; never more than the recorded size,
// which the bound on the total has already accepted.
class EntryFile : public InflateSink {
 public:
  EntryFile(platform::WritableFile& file, std::uint32_t size) : file_(file), size_(size) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (size > size_ - written_) {  // more than it claimed: a bomb
      refused_ = ZipStatus::kTooLarge;
      return false;
    }
    written_ += size;
    crc_ = Crc32(crc_, data, size);
    std::uint32_t error = 0;
    if (!file_.Write(data, size, error)) {
      refused_ = ZipStatus::kWriteFailed;
      return false;
    }
    return true;
  }
  std::uint64_t Written() const { return written_; }
  std::uint32_t Crc() const { return crc_; }
  ZipStatus Refused() const { return refused_; }

 private:
  platform::WritableFile& file_;
  const std::uint64_t size_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
  ZipStatus refused_ = ZipStatus::kWriteFailed;
};

class Extraction {
 public:
  Extraction(const ZipPlatform& platform, platform::ReadableFile& archive,
             const std::wstring& destination)
      : platform_(platform), archive_(archive), destination_(destination) {}

  ZipStatus Run(std::uint64_t maxTotalBytes) {
    ZipStatus status = ReadDirectory(maxTotalBytes);
    if (status != ZipStatus::kExtracted) return status;
    for (const Entry& entry : entries_) {
      status = Write(entry);
      if (status != ZipStatus::kExtracted) return status;
    }
    return ZipStatus::kExtracted;
  }

 private:
  // The end record: the last signature in the final 64 KiB + 22 bytes whose
  // comment fits in what follows it.
  bool FindEnd(std::uint64_t& position, std::vector<unsigned char>& record) {
    const std::uint64_t size = archive_.Size();
    if (size < kEndSize) return false;
    const std::uint64_t tailSize =
        size < kEndSize + kMaxCommentSize ? size : kEndSize + kMaxCommentSize;
    std::vector<unsigned char> tail(static_cast<std::size_t>(tailSize));
    if (!ReadExactly(archive_, size - tailSize, tail.data(), tail.size())) return false;
    for (std::size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
      if (Read32(&tail[i]) != kEndSignature) continue;
      if (i + kEndSize + Read16(&tail[i + 20]) > tail.size()) continue;
      position = size - tailSize + i;
      record.assign(tail.begin() + static_cast<std::ptrdiff_t>(i),
                    tail.begin() + static_cast<std::ptrdiff_t>(i + kEndSize));
      return true;
    }
    return false;
  }

  ZipStatus ReadDirectory(std::uint64_t maxTotalBytes) {
    std::uint64_t endPosition = 0;
    std::vector<unsigned char> end;
    if (!FindEnd(endPosition, end)) return ZipStatus::kCorrupt;
    const std::uint16_t disk = Read16(&end[4]);
    const std::uint16_t directoryDisk = Read16(&end[6]);
    const std::uint16_t entriesOnDisk = Read16(&end[8]);
    const std::uint16_t entryCount = Read16(&end[10]);
    const std::uint32_t directorySize = Read32(&end[12]);
    directoryOffset_ = Read32(&end[16]);
    if (entryCount == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset_ == 0xFFFFFFFF) {
      return ZipStatus::kUnsupported;  // ZIP64
    }
    if (disk != 0 || directoryDisk != 0 || entriesOnDisk != entryCount) {
      return ZipStatus::kUnsupported;
    }
    if (std::uint64_t{directoryOffset_} + directorySize > endPosition) return ZipStatus::kCorrupt;
    if (entryCount == 0) return ZipStatus::kEmpty;
    if (directorySize > kMaxDirectorySize) return ZipStatus::kUnsupported;

    std::vector<unsigned char> directory(directorySize);
    if (!ReadExactly(archive_, directoryOffset_, directory.data(), directory.size())) {
      return ZipStatus::kCannotOpen;
    }
    std::uint64_t total = 0;
    std::size_t at = 0;
    for (unsigned i = 0; i < entryCount; ++i) {
      if (directory.size() - at < kCentralHeaderSize) return ZipStatus::kCorrupt;
      const unsigned char* header = &directory[at];
      if (Read32(header) != kCentralHeaderSignature) return ZipStatus::kCorrupt;
      const unsigned madeBy = Read16(header + 4) >> 8;
      const std::uint16_t flags = Read16(header + 8);
      Entry entry;
      entry.method = Read16(header + 10);
      entry.crc = Read32(header + 16);
      entry.compressedSize = Read32(header + 20);
      entry.size = Read32(header + 24);
      const std::size_t nameLength = Read16(header + 28);
      const std::size_t variableLength = nameLength + Read16(header + 30) + Read16(header + 32);
      const std::uint16_t startDisk = Read16(header + 34);
      const std::uint32_t attributes = Read32(header + 38);
      entry.localOffset = Read32(header + 42);
      if (directory.size() - at - kCentralHeaderSize < variableLength) return ZipStatus::kCorrupt;
      const std::string name(reinterpret_cast<const char*>(header + kCentralHeaderSize),
                             nameLength);
      at += kCentralHeaderSize + variableLength;

      if (flags & (kFlagEncrypted | kFlagStrongEncryption | kFlagMaskedHeader)) {
        return ZipStatus::kUnsupported;
      }
      if (entry.method != kMethodStored && entry.method != kMethodDeflated) {
        return ZipStatus::kUnsupported;
      }
      if (entry.compressedSize == 0xFFFFFFFF || entry.size == 0xFFFFFFFF ||
          entry.localOffset == 0xFFFFFFFF || startDisk != 0) {
        return ZipStatus::kUnsupported;
      }
      if (!ParseZipEntryName(name, (flags & kFlagUtf8) != 0, entry.path)) {
        return ZipStatus::kUnsafeName;
      }
      if ((attributes & kAttributeReparsePoint) ||
          (madeBy == kMadeOnUnix && ((attributes >> 16) & kUnixFileType) == kUnixSymbolicLink)) {
        return ZipStatus::kUnsafeName;
      }
      if (entry.method == kMethodStored && entry.compressedSize != entry.size) {
        return ZipStatus::kCorrupt;
      }
      if (std::uint64_t{entry.localOffset} + kLocalHeaderSize + entry.compressedSize >
          directoryOffset_) {
        return ZipStatus::kCorrupt;
      }
      total += entry.size;
      if (total > maxTotalBytes) return ZipStatus::kTooLarge;
      entries_.push_back(std::move(entry));
    }
    // Every path must fit, so that nothing is written for an archive that
    // would fail on its last entry's name.
    for (const Entry& entry : entries_) {
      std::wstring path;
      if (!PathOf(entry.path.parts, entry.path.parts.size(), path)) return ZipStatus::kUnsafeName;
    }
    return ZipStatus::kExtracted;
  }

  // The destination joined with the first `count` parts; false when longer than MAX_PATH.
  bool PathOf(const std::vector<std::wstring>& parts, std::size_t count, std::wstring& path) const {
    path = destination_;
    for (std::size_t i = 0; i < count; ++i) {
      if (!AppendFileName(path, parts[i], path)) return false;
    }
    return true;
  }

  // A folder that is there already counts only when it is a real folder,
  // never a link to somewhere else.
  bool MakeFolder(const std::wstring& path) {
    const std::uint32_t status = platform_.files.CreateFolderStatus(path);
    if (status == platform::kFileErrorSuccess) return true;
    return status == platform::kFileErrorAlreadyExists && platform_.files.IsDirectory(path) &&
           !platform_.files.IsReparsePoint(path);
  }

  ZipStatus Write(const Entry& entry) {
    const std::size_t parts = entry.path.parts.size();
    const std::size_t folders = entry.path.isFolder ? parts : parts - 1;
    std::wstring path;
    for (std::size_t i = 1; i <= folders; ++i) {
      PathOf(entry.path.parts, i, path);
      if (!MakeFolder(path)) return ZipStatus::kWriteFailed;
    }
    if (entry.path.isFolder) return ZipStatus::kExtracted;

    unsigned char local[kLocalHeaderSize];
    if (!ReadExactly(archive_, entry.localOffset, local, sizeof local)) return ZipStatus::kCorrupt;
    if (Read32(local) != kLocalHeaderSignature) return ZipStatus::kCorrupt;
    const std::uint64_t dataStart =
        std::uint64_t{entry.localOffset} + kLocalHeaderSize + Read16(local + 26) +
        Read16(local + 28);
    if (dataStart + entry.compressedSize > directoryOffset_) return ZipStatus::kCorrupt;

    PathOf(entry.path.parts, entry.path.parts.size(), path);
    std::uint32_t error = 0;
    const std::unique_ptr<platform::WritableFile> file =
        platform_.streams.CreateForWriting(path, error);
    if (!file) return ZipStatus::kWriteFailed;
    const ZipStatus status = entry.method == kMethodStored ? Copy(entry, dataStart, *file)
                                                           : InflateEntry(entry, dataStart, *file);
    if (!file->Close(error) && status == ZipStatus::kExtracted) return ZipStatus::kWriteFailed;
    return status;
  }

  ZipStatus Copy(const Entry& entry, std::uint64_t offset, platform::WritableFile& file) {
    std::vector<unsigned char> buffer(kChunk);
    std::uint32_t left = entry.size;
    std::uint32_t crc = 0;
    std::uint32_t error = 0;
    while (left > 0) {
      const std::size_t piece = left < kChunk ? left : kChunk;
      if (!ReadExactly(archive_, offset, buffer.data(), piece)) return ZipStatus::kCorrupt;
      crc = Crc32(crc, buffer.data(), piece);
      if (!file.Write(buffer.data(), piece, error)) return ZipStatus::kWriteFailed;
      offset += piece;
      left -= static_cast<std::uint32_t>(piece);
    }
    return crc == entry.crc ? ZipStatus::kExtracted : ZipStatus::kCorrupt;
  }

  ZipStatus InflateEntry(const Entry& entry, std::uint64_t offset, platform::WritableFile& file) {
    EntryData source(archive_, offset, entry.compressedSize);
    EntryFile sink(file, entry.size);
    const InflateResult result = Inflate(source, sink);
    if (result.status == InflateStatus::kStopped) return sink.Refused();
    if (result.status != InflateStatus::kDone) return ZipStatus::kCorrupt;
    if (sink.Written() != entry.size || sink.Crc() != entry.crc) return ZipStatus::kCorrupt;
    return ZipStatus::kExtracted;
  }

  const ZipPlatform& platform_;
  platform::ReadableFile& archive_;
  const std::wstring& destination_;
  std::uint32_t directoryOffset_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace

ZipStatus ExtractZip(const ZipPlatform& platform, const std::wstring& archive,
                     const std::wstring& destination, std::uint64_t maxTotalBytes) {
  std::uint32_t error = 0;
  const std::unique_ptr<platform::ReadableFile> file =
      platform.readers.OpenForReading(archive, error);
  if (!file) return ZipStatus::kCannotOpen;
  return Extraction(platform, *file, destination).Run(maxTotalBytes);
}
