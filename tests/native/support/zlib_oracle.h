// zlib as the oracle of our inflater's tests, the ZIP builder, the fuzz
// seeds and the inflate benchmark: raw deflate streams to inflate, and data
// that does not compress. Free of the test framework, for the seed maker.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>

// `text` as one raw deflate stream (no zlib or gzip framing); empty when
// zlib refuses the settings, which no caller's comparison then survives.
inline std::string RawDeflate(const std::string& text, int level, int strategy,
                              int windowBits = MAX_WBITS, int memLevel = 8) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, -windowBits, memLevel, strategy) != Z_OK) {
    return std::string();
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const bool finished = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  out.resize(finished ? stream.total_out : 0);
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
