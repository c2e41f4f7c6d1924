// The built-in ZIP extractor: unpacks a downloaded archive into a folder
// where the shell's ZIP folder is missing (Wine) or fails. The archive is
// untrusted: every entry is checked before anything is written, nothing is
// written outside the folder, and the total written is bounded.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"

struct ZipPlatform {
  platform::FileReaders& readers;  // the archive
  platform::FileStreams& streams;  // each file, created fresh
  platform::FileSystem& files;     // sub-folders
};

enum class ZipStatus {
  kExtracted,    // every entry written, sizes and checksums as recorded
  kCannotOpen,   // the archive cannot be opened or read
  kCorrupt,      // not a ZIP file, truncated, inconsistent, or data that does not inflate
  kUnsupported,  // encryption, ZIP64, several disks, a method other than stored or deflated
  kEmpty,        // no entries
  kUnsafeName,   // an entry that would land outside the folder, a device, or a link
  kTooLarge,     // the entries together are larger than the bound
  kWriteFailed,  // a folder or file could not be created or written
};

// A generous bound for an installer, far below what fills a disk: an
// archive whose entries add up to more is refused before anything is written.
constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{1} << 30;  // 1 GiB

// Unpacks `archive` into the existing folder `destination` (files that are
// there already are replaced, never written through). Entries are checked
// first; a refused archive leaves the folder untouched, while one that turns
// out corrupt halfway leaves what was written before (the folder lies in the
// working folder and goes with it).
ZipStatus ExtractZip(const ZipPlatform& platform, const std::wstring& archive,
                     const std::wstring& destination,
                     std::uint64_t maxTotalBytes = kMaxExtractedBytes);
