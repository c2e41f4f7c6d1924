// The CRC-32 that ZIP records for each entry (reflected, polynomial
// 0xEDB88320, the one of zlib's crc32).
#pragma once

#include <cstddef>
#include <cstdint>

// The checksum of everything so far: `crc` is the checksum of what came
// before (0 for nothing), `data` the next `size` bytes.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);
