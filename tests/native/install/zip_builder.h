// Builds ZIP archives in memory for the extractor's tests, good ones and
// crafted ones: every field the extractor reads can be set by hand.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../support/zlib_oracle.h"

struct ZipItem {
  std::string name;
  std::string content;
  bool deflate = true;
  std::uint16_t flags = 0;
  std::uint16_t madeBy = 20;  // high byte 0: made on MS-DOS / Windows
  std::uint32_t attributes = 0;
  // Replace what the central directory records.
  std::optional<std::uint16_t> method;
  std::optional<std::uint32_t> size;
  std::optional<std::uint32_t> crc;
  std::optional<std::uint32_t> compressedSize;
  // The stored bytes instead of the content's compressed form.
  std::optional<std::string> data;
};

struct ZipOptions {
  std::string comment;
  std::optional<std::uint16_t> entryCount;  // both counts in the end record
  std::optional<std::uint32_t> directoryOffset;
  std::uint16_t disk = 0;
};

inline void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Raw deflate, as ZIP stores it.
inline std::string Deflate(const std::string& content, int level = 9) {
  return RawDeflate(content, level, Z_DEFAULT_STRATEGY, MAX_WBITS, 9);
}

inline std::uint32_t Crc(const std::string& content) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
}

inline std::string BuildZip(const std::vector<ZipItem>& items, const ZipOptions& options = {}) {
  std::string out;
  std::string directory;
  for (const ZipItem& item : items) {
    const std::string data = item.data ? *item.data : item.deflate ? Deflate(item.content) : item.content;
    const std::uint16_t method = item.method ? *item.method : item.deflate ? 8 : 0;
    const std::uint32_t crc = item.crc ? *item.crc : Crc(item.content);
    const std::uint32_t size = item.size ? *item.size : static_cast<std::uint32_t>(item.content.size());
    const std::uint32_t compressed =
        item.compressedSize ? *item.compressedSize : static_cast<std::uint32_t>(data.size());
    const auto offset = static_cast<std::uint32_t>(out.size());
    Put32(out, 0x04034B50);
    Put16(out, 20);
    Put16(out, item.flags);
    Put16(out, method);
    Put32(out, 0);  // time and date
    Put32(out, crc);
    Put32(out, compressed);
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(item.name.size()));
    Put16(out, 0);
    out += item.name;
    out += data;

    Put32(directory, 0x02014B50);
    Put16(directory, item.madeBy);
    Put16(directory, 20);
    Put16(directory, item.flags);
    Put16(directory, method);
    Put32(directory, 0);
    Put32(directory, crc);
    Put32(directory, compressed);
    Put32(directory, size);
    Put16(directory, static_cast<std::uint32_t>(item.name.size()));
    Put16(directory, 0);  // extra
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, item.attributes);
    Put32(directory, offset);
    directory += item.name;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += directory;
  Put32(out, 0x06054B50);
  Put16(out, options.disk);
  Put16(out, 0);
  const std::uint16_t count =
      options.entryCount ? *options.entryCount : static_cast<std::uint16_t>(items.size());
  Put16(out, count);
  Put16(out, count);
  Put32(out, static_cast<std::uint32_t>(directory.size()));
  Put32(out, options.directoryOffset ? *options.directoryOffset : directoryOffset);
  Put16(out, static_cast<std::uint32_t>(options.comment.size()));
  out += options.comment;
  return out;
}
