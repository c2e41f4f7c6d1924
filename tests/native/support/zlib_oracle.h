// zlib as the oracle of our inflater's tests: raw deflate streams to inflate,
// and data that does not compress.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

// `text` as one raw deflate stream (no zlib or gzip framing).
inline std::string RawDeflate(const std::string& text, int level, int strategy,
                              int windowBits = MAX_WBITS, int memLevel = 8) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, level, Z_DEFLATED, -windowBits, memLevel, strategy), Z_OK);
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// `size` pseudo-random bytes from `seed`: stored blocks when deflated.
inline std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string text(size, '\0');
  for (char& c : text) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 23);
  }
  return text;
}
