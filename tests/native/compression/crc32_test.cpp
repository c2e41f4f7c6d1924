// Our CRC-32 against zlib's crc32, whole and continued piece by piece.
#include "compression/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "support/zlib_oracle.h"

namespace {

std::uint32_t ZlibCrc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

TEST(Crc32, AgreesWithZlib) {
  const struct {
    const char* what;
    std::string data;
  } cases[] = {
      {"nothing", ""},
      {"one zero byte", std::string(1, '\0')},
      {"every byte value", [] {
         std::string all;
         for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
         return all;
       }()},
      {"zeros", std::string(100000, '\0')},
      {"ones", std::string(4097, '\xFF')},
      {"noise", Noise(1u << 20, 42)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Crc32(0, c.data.data(), c.data.size()), ZlibCrc(c.data));
    // Continued over pieces of odd sizes, as the extractor does chunk by chunk.
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{65521}}) {
      std::uint32_t crc = 0;
      for (std::size_t at = 0; at < c.data.size(); at += piece) {
        const std::size_t size = c.data.size() - at < piece ? c.data.size() - at : piece;
        crc = Crc32(crc, c.data.data() + at, size);
      }
      EXPECT_EQ(crc, ZlibCrc(c.data)) << "in pieces of " << piece;
    }
  }
  // The check value of the standard.
  EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
}

}  // namespace
