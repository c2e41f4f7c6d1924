#include "compression/crc32.h"

namespace {

struct Table {
  std::uint32_t entry[256];
};

// One byte at a time: 1 KiB of table. Tables for several bytes at a time
// would be faster and several times larger.
constexpr Table MakeTable() {
  Table table{};
  for (std::uint32_t byte = 0; byte < 256; ++byte) {
    std::uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    table.entry[byte] = crc;
  }
  return table;
}

constexpr Table kTable = MakeTable();

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* byte = static_cast<const std::uint8_t*>(data);
  crc = ~crc;
  for (const std::uint8_t* end = byte + size; byte != end; ++byte) {
    crc = kTable.entry[(crc ^ *byte) & 0xFF] ^ (crc >> 8);
  }
  return ~crc;
}
