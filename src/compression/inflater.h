// A streaming inflater for raw deflate data (RFC 1951, no zlib or gzip
// framing): ZIP entries and the locale documents stored in the executable.
// The input is pulled from a source piece by piece and the output is handed
// to a sink piece by piece, so neither is ever held whole; the inflater
// itself keeps a 32 KiB window plus one output block (kInflateBufferBytes).
// The data is untrusted: anything malformed ends in a status, never in a
// read or write outside the inflater's own buffers.
#pragma once

#include <cstddef>
#include <cstdint>

// The compressed bytes, in order.
class InflateSource {
 public:
  virtual ~InflateSource() = default;
  // The next piece in `data`/`size`, which stays valid until the next call;
  // false (or an empty piece) when there is no more input.
  virtual bool Next(const std::uint8_t*& data, std::size_t& size) = 0;
};

// The inflated bytes, in order, in pieces of at most kInflateBufferBytes.
class InflateSink {
 public:
  virtual ~InflateSink() = default;
  // False stops the inflation (kStopped); the sink remembers why.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

// The window the format allows a copy to reach back, and the largest piece a
// sink is given.
constexpr std::size_t kInflateWindowBytes = 32 * 1024;
constexpr std::size_t kInflateBufferBytes = kInflateWindowBytes + 64 * 1024;

enum class InflateStatus {
  kDone,       // the final block ended; everything was handed to the sink
  kMalformed,  // a reserved block type, a bad code, a copy from before the start, ...
  kTruncated,  // the input ended before the final block did
  kStopped,    // the sink refused a piece
};

struct InflateResult {
  InflateStatus status = InflateStatus::kMalformed;
  // kDone only: bytes the source handed over that come after the stream's
  // last byte (a stream may end inside a piece).
  std::size_t unusedInput = 0;
};

// Inflates one stream from `source` into `sink`.
InflateResult Inflate(InflateSource& source, InflateSink& sink);
