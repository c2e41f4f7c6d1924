#include "compression/inflater.h"

#include <cstring>
#include <memory>

// Our own rather than zlib's: its inflate with tables and checksums cost the
// installer about 36 KB, and this is all of it we use. Short codes are
// decoded with one lookup on the next kFastBits bits; the rare longer ones
// by walking the canonical code (counts per length, symbols in code order).

namespace {

struct Malformed {};
struct Truncated {};
struct Stopped {};

constexpr unsigned kMaxBits = 15;
constexpr unsigned kFastBits = 10;
constexpr unsigned kMaxLengthCodes = 286;
constexpr unsigned kMaxDistanceCodes = 30;
constexpr unsigned kFixedLengthCodes = 288;
constexpr unsigned kCodeLengthCodes = 19;
constexpr unsigned kEndOfBlock = 256;
constexpr std::size_t kMaxMatch = 258;
// A symbol is decoded only while its longest output still fits.
constexpr std::size_t kRoomLimit = kInflateBufferBytes - kMaxMatch;

// A lookup entry: the symbol in the low bits, its code length above them.
constexpr unsigned kSymbolMask = 0x1FF;
constexpr unsigned kLengthShift = 9;

struct Huffman {
  std::uint16_t fast[1u << kFastBits];  // by the next kFastBits bits; 0: a longer code or none
  std::uint16_t count[kMaxBits + 1];    // codes of each length
  std::uint16_t symbol[kFixedLengthCodes];  // symbols in canonical code order
};

// Input bits not used yet (lowest first) and the rest of the current piece.
// Passed by value: the decoding loop keeps it in registers, where stores into
// the output bytes would otherwise force it back to memory after each one.
struct Bits {
  const std::uint8_t* in = nullptr;
  const std::uint8_t* end = nullptr;
  std::uint32_t value = 0;
  unsigned count = 0;
};

// The helpers of the decoding loop (gnu::always_inline) are inlined even
// where the shipped build optimises for size: called, they keep the loop's
// state in memory, and it ran at a quarter of the speed.

[[noreturn]] void ThrowTruncated() { throw Truncated{}; }

[[gnu::always_inline]] inline Bits Consume(Bits bits, unsigned n) {
  if (n > bits.count) ThrowTruncated();  // the missing bits read as zeros
  bits.value >>= n;
  bits.count -= n;
  return bits;
}

unsigned LookupLong(const Huffman& h, std::uint32_t value) {
  int code = 0;   // bits read so far
  int first = 0;  // first code of the current length
  int index = 0;  // its place in symbol[]
  for (unsigned length = 1; length <= kMaxBits; ++length) {
    code |= static_cast<int>(value & 1);
    value >>= 1;
    const int count = h.count[length];
    if (code - count < first) {
      return h.symbol[index + (code - first)] | length << kLengthShift;
    }
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  throw Malformed{};  // a code the table does not hold
}

// The entry of the code that starts `value`.
[[gnu::always_inline]] inline unsigned Lookup(const Huffman& h, std::uint32_t value) {
  const unsigned entry = h.fast[value & ((1u << kFastBits) - 1)];
  return entry != 0 ? entry : LookupLong(h, value);
}

// From code lengths. Returns 0 for a complete code (or none at all) and a
// positive number for an incomplete one; over-subscribed lengths are malformed.
int Build(Huffman& h, const std::uint8_t* lengths, unsigned n) {
  std::memset(&h, 0, sizeof h);
  for (unsigned i = 0; i < n; ++i) ++h.count[lengths[i]];
  if (h.count[0] == n) return 0;
  int left = 1;
  for (unsigned length = 1; length <= kMaxBits; ++length) {
    left = left * 2 - h.count[length];
    if (left < 0) throw Malformed{};
  }
  std::uint16_t offset[kMaxBits + 1];
  unsigned next[kMaxBits + 1];  // next code of each length
  unsigned code = 0;
  offset[1] = 0;
  for (unsigned length = 1; length <= kMaxBits; ++length) {
    if (length > 1) offset[length] = static_cast<std::uint16_t>(offset[length - 1] + h.count[length - 1]);
    next[length] = code;
    code = (code + h.count[length]) << 1;
  }
  for (unsigned i = 0; i < n; ++i) {
    const unsigned length = lengths[i];
    if (length == 0) continue;
    h.symbol[offset[length]++] = static_cast<std::uint16_t>(i);
    const unsigned canonical = next[length]++;
    if (length > kFastBits) continue;
    // Codes are sent from their highest bit, the input is read from the lowest.
    unsigned reversed = 0;
    for (unsigned b = 0; b < length; ++b) reversed |= ((canonical >> b) & 1) << (length - 1 - b);
    const auto entry = static_cast<std::uint16_t>(i | length << kLengthShift);
    for (unsigned at = reversed; at < (1u << kFastBits); at += 1u << length) h.fast[at] = entry;
  }
  return left;
}

// An incomplete literal/length or distance code is allowed only as a single
// one-bit code (a block that uses one distance, or none).
void CheckComplete(const Huffman& h, int left) {
  if (left > 0 && !(left == 1 << (kMaxBits - 1) && h.count[1] == 1)) throw Malformed{};
}

const std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

class Inflater {
 public:
  Inflater(InflateSource& source, InflateSink& sink)
      : source_(source), sink_(sink), buffer_(new std::uint8_t[kInflateBufferBytes]) {}

  // Returns the input bytes left after the stream.
  std::size_t Run() {
    bool last = false;
    while (!last) {
      last = Take(1) != 0;
      switch (Take(2)) {
        case 0: Stored(); break;
        case 1: Fixed(); break;
        case 2: Dynamic(); break;
        default: throw Malformed{};
      }
    }
    Hand(at_);
    return bits_.count / 8 + static_cast<std::size_t>(bits_.end - bits_.in);
  }

 private:
  // At least `need` bits (at most 25, so that they fit), unless the input
  // ends first.
  [[gnu::always_inline]] inline Bits Fill(Bits bits, unsigned need) {
    while (bits.count < need) {
      if (bits.in == bits.end) return FillFromNextPieces(bits, need);
      bits.value |= static_cast<std::uint32_t>(*bits.in++) << bits.count;
      bits.count += 8;
    }
    return bits;
  }

  Bits FillFromNextPieces(Bits bits, unsigned need) {
    while (bits.count < need) {
      if (bits.in == bits.end && !NextPiece(bits)) return bits;
      bits.value |= static_cast<std::uint32_t>(*bits.in++) << bits.count;
      bits.count += 8;
    }
    return bits;
  }

  bool NextPiece(Bits& bits) {
    if (exhausted_) return false;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (!source_.Next(data, size) || data == nullptr || size == 0) {
      exhausted_ = true;
      return false;
    }
    bits.in = data;
    bits.end = data + size;
    return true;
  }

  unsigned Take(unsigned n) {
    bits_ = Fill(bits_, n);
    const unsigned value = bits_.value & ((1u << n) - 1);
    bits_ = Consume(bits_, n);
    return value;
  }

  unsigned Decode(const Huffman& h) {
    bits_ = Fill(bits_, kMaxBits);
    const unsigned entry = Lookup(h, bits_.value);
    bits_ = Consume(bits_, entry >> kLengthShift);
    return entry & kSymbolMask;
  }

  // Hands the output up to `at` to the sink.
  void Hand(std::size_t at) {
    if (at > handed_ && !sink_.Write(buffer_.get() + handed_, at - handed_)) throw Stopped{};
    handed_ = at;
  }

  // Hands the output over and keeps its last window for the copies to come;
  // returns where the output goes on.
  std::size_t Slide(std::size_t at) {
    Hand(at);
    std::memmove(buffer_.get(), buffer_.get() + at - kInflateWindowBytes, kInflateWindowBytes);
    handed_ = kInflateWindowBytes;
    return kInflateWindowBytes;
  }

  void Stored() {
    bits_ = Consume(bits_, bits_.count % 8);  // the rest of the current byte is padding
    const unsigned length = Take(16);
    const unsigned complement = Take(16);
    if (length != (~complement & 0xFFFFu)) throw Malformed{};
    std::uint8_t* const out = buffer_.get();
    std::size_t at = at_;
    std::size_t left = length;
    while (left > 0) {
      if (at > kRoomLimit) at = Slide(at);
      if (bits_.count >= 8) {  // whole bytes read ahead
        out[at++] = static_cast<std::uint8_t>(bits_.value);
        bits_.value >>= 8;
        bits_.count -= 8;
        --left;
        continue;
      }
      if (bits_.in == bits_.end && !NextPiece(bits_)) throw Truncated{};
      std::size_t piece = static_cast<std::size_t>(bits_.end - bits_.in);
      if (piece > left) piece = left;
      if (piece > kInflateBufferBytes - at) piece = kInflateBufferBytes - at;
      std::memcpy(out + at, bits_.in, piece);
      bits_.in += piece;
      at += piece;
      left -= piece;
    }
    at_ = at;
  }

  void Codes(const Huffman& lengthCode, const Huffman& distanceCode) {
    std::uint8_t* const out = buffer_.get();
    std::size_t at = at_;
    Bits bits = bits_;
    for (;;) {
      if (at > kRoomLimit) at = Slide(at);
      bits = Fill(bits, kMaxBits);
      unsigned entry = Lookup(lengthCode, bits.value);
      bits = Consume(bits, entry >> kLengthShift);
      unsigned symbol = entry & kSymbolMask;
      if (symbol < kEndOfBlock) {
        out[at++] = static_cast<std::uint8_t>(symbol);
        continue;
      }
      if (symbol == kEndOfBlock) break;
      symbol -= kEndOfBlock + 1;
      if (symbol >= 29) throw Malformed{};
      unsigned extra = kLengthExtra[symbol];
      bits = Fill(bits, extra);
      const std::size_t length = kLengthBase[symbol] + (bits.value & ((1u << extra) - 1));
      bits = Consume(bits, extra);

      bits = Fill(bits, kMaxBits);
      entry = Lookup(distanceCode, bits.value);
      bits = Consume(bits, entry >> kLengthShift);
      symbol = entry & kSymbolMask;
      if (symbol >= kMaxDistanceCodes) throw Malformed{};
      extra = kDistanceExtra[symbol];
      bits = Fill(bits, extra);
      const std::size_t distance = kDistanceBase[symbol] + (bits.value & ((1u << extra) - 1));
      bits = Consume(bits, extra);
      if (distance > at) throw Malformed{};  // before the start of the output

      const std::uint8_t* from = out + at - distance;
      std::uint8_t* to = out + at;
      at += length;
      if (distance >= length) {
        std::memcpy(to, from, length);
      } else {
        // Byte by byte: the copy repeats what it writes.
        for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
      }
    }
    at_ = at;
    bits_ = bits;
  }

  void Fixed() {
    std::uint8_t lengths[kFixedLengthCodes];
    unsigned i = 0;
    for (; i < 144; ++i) lengths[i] = 8;
    for (; i < 256; ++i) lengths[i] = 9;
    for (; i < 280; ++i) lengths[i] = 7;
    for (; i < kFixedLengthCodes; ++i) lengths[i] = 8;
    Build(lengthCode_, lengths, kFixedLengthCodes);
    for (i = 0; i < kMaxDistanceCodes; ++i) lengths[i] = 5;
    Build(distanceCode_, lengths, kMaxDistanceCodes);
    Codes(lengthCode_, distanceCode_);
  }

  void Dynamic() {
    static const std::uint8_t kOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
    const unsigned lengthCount = Take(5) + 257;
    const unsigned distanceCount = Take(5) + 1;
    const unsigned codeCount = Take(4) + 4;
    if (lengthCount > kMaxLengthCodes || distanceCount > kMaxDistanceCodes) throw Malformed{};

    std::uint8_t lengths[kMaxLengthCodes + kMaxDistanceCodes] = {};
    for (unsigned i = 0; i < codeCount; ++i) lengths[kOrder[i]] = static_cast<std::uint8_t>(Take(3));
    if (Build(lengthCode_, lengths, kCodeLengthCodes) != 0) throw Malformed{};  // must be complete

    const unsigned total = lengthCount + distanceCount;
    unsigned index = 0;
    while (index < total) {
      const unsigned symbol = Decode(lengthCode_);
      if (symbol < 16) {
        lengths[index++] = static_cast<std::uint8_t>(symbol);
        continue;
      }
      std::uint8_t repeated = 0;
      unsigned times = 0;
      if (symbol == 16) {
        if (index == 0) throw Malformed{};  // nothing to repeat
        repeated = lengths[index - 1];
        times = 3 + Take(2);
      } else if (symbol == 17) {
        times = 3 + Take(3);
      } else {
        times = 11 + Take(7);
      }
      if (times > total - index) throw Malformed{};
      while (times-- > 0) lengths[index++] = repeated;
    }
    if (lengths[kEndOfBlock] == 0) throw Malformed{};  // no end-of-block code

    CheckComplete(lengthCode_, Build(lengthCode_, lengths, lengthCount));
    CheckComplete(distanceCode_, Build(distanceCode_, lengths + lengthCount, distanceCount));
    Codes(lengthCode_, distanceCode_);
  }

  InflateSource& source_;
  InflateSink& sink_;
  // The window and the output not handed out yet: [0, handed_) was handed
  // out, [handed_, at_) is new.
  const std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t at_ = 0;
  std::size_t handed_ = 0;
  Bits bits_;
  bool exhausted_ = false;
  Huffman lengthCode_;
  Huffman distanceCode_;
};

}  // namespace

InflateResult Inflate(InflateSource& source, InflateSink& sink) {
  InflateResult result;
  try {
    Inflater inflater(source, sink);
    result.unusedInput = inflater.Run();
    result.status = InflateStatus::kDone;
  } catch (const Malformed&) {
    result.status = InflateStatus::kMalformed;
  } catch (const Truncated&) {
    result.status = InflateStatus::kTruncated;
  } catch (const Stopped&) {
    result.status = InflateStatus::kStopped;
  }
  return result;
}
