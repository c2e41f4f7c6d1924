#include "locale/deflated_document.h"

// A small inflater of our own: zlib's inflate with its tables, checksums and
// the parts of its object file nobody calls weighs about as much as the
// compression saves. It follows RFC 1951 with canonical Huffman codes
// decoded bit by bit (counts per length, symbols in code order), which is
// slow but plenty for a few KiB read once.

namespace {

struct Malformed {};

constexpr int kMaxBits = 15;
constexpr int kMaxLengthCodes = 286;
constexpr int kMaxDistanceCodes = 30;
constexpr int kFixedLengthCodes = 288;

struct Huffman {
  short count[kMaxBits + 1];        // codes of each length
  short symbol[kFixedLengthCodes];  // symbols in canonical code order
};

class Inflater {
 public:
  Inflater(const std::uint8_t* data, std::size_t size, std::string& out)
      : in_(data), size_(size), out_(out) {}

  void Run() {
    bool last = false;
    while (!last) {
      last = Bits(1) != 0;
      switch (Bits(2)) {
        case 0: Stored(); break;
        case 1: Fixed(); break;
        case 2: Dynamic(); break;
        default: throw Malformed{};
      }
    }
  }

  bool UsedAllInput() const { return position_ == size_; }

 private:
  unsigned Bits(int need) {
    std::uint32_t value = buffer_;
    while (count_ < need) {
      if (position_ == size_) throw Malformed{};
      value |= static_cast<std::uint32_t>(in_[position_++]) << count_;
      count_ += 8;
    }
    buffer_ = value >> need;
    count_ -= need;
    return value & ((1u << need) - 1);
  }

  void Put(char c) {
    if (out_.size() >= kMaxLocaleDocumentBytes) throw Malformed{};
    out_ += c;
  }

  void Stored() {
    buffer_ = 0;  // the rest of the current byte is padding
    count_ = 0;
    if (size_ - position_ < 4) throw Malformed{};
    const unsigned length = in_[position_] | (in_[position_ + 1] << 8);
    const unsigned complement = in_[position_ + 2] | (in_[position_ + 3] << 8);
    position_ += 4;
    if (length != (~complement & 0xFFFFu) || size_ - position_ < length) throw Malformed{};
    for (unsigned i = 0; i < length; ++i) Put(static_cast<char>(in_[position_ + i]));
    position_ += length;
  }

  // Builds the decoding table from code lengths. Returns 0 for a complete
  // code, a positive number for an incomplete one; an over-subscribed set of
  // lengths is malformed.
  static int Build(Huffman& h, const short* lengths, int n) {
    for (short& c : h.count) c = 0;
    for (int i = 0; i < n; ++i) ++h.count[lengths[i]];
    if (h.count[0] == n) return 0;  // no codes: complete, but nothing decodes
    int left = 1;
    for (int length = 1; length <= kMaxBits; ++length) {
      left = left * 2 - h.count[length];
      if (left < 0) throw Malformed{};
    }
    short offsets[kMaxBits + 1];
    offsets[1] = 0;
    for (int length = 1; length < kMaxBits; ++length) {
      offsets[length + 1] = static_cast<short>(offsets[length] + h.count[length]);
    }
    for (int i = 0; i < n; ++i) {
      if (lengths[i] != 0) h.symbol[offsets[lengths[i]]++] = static_cast<short>(i);
    }
    return left;
  }

  int Decode(const Huffman& h) {
    int code = 0;   // bits read so far
    int first = 0;  // first code of the current length
    int index = 0;  // its place in symbol[]
    for (int length = 1; length <= kMaxBits; ++length) {
      code |= static_cast<int>(Bits(1));
      const int count = h.count[length];
      if (code - count < first) return h.symbol[index + (code - first)];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    throw Malformed{};  // a code the table does not hold
  }

  void Codes(const Huffman& lengthCode, const Huffman& distanceCode) {
    static const short kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                          15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned char kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const unsigned short kDistanceBase[30] = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const unsigned char kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                     6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    for (;;) {
      int symbol = Decode(lengthCode);
      if (symbol < 256) {
        Put(static_cast<char>(symbol));
        continue;
      }
      if (symbol == 256) return;
      symbol -= 257;
      if (symbol >= 29) throw Malformed{};
      const unsigned length = kLengthBase[symbol] + Bits(kLengthExtra[symbol]);
      symbol = Decode(distanceCode);
      if (symbol >= kMaxDistanceCodes) throw Malformed{};
      const std::size_t distance = kDistanceBase[symbol] + Bits(kDistanceExtra[symbol]);
      if (distance > out_.size()) throw Malformed{};  // before the start of the output
      // Byte by byte: the copy may overlap what it writes.
      for (unsigned i = 0; i < length; ++i) Put(out_[out_.size() - distance]);
    }
  }

  void Fixed() {
    Huffman lengthCode;
    Huffman distanceCode;
    short lengths[kFixedLengthCodes];
    int i = 0;
    for (; i < 144; ++i) lengths[i] = 8;
    for (; i < 256; ++i) lengths[i] = 9;
    for (; i < 280; ++i) lengths[i] = 7;
    for (; i < kFixedLengthCodes; ++i) lengths[i] = 8;
    Build(lengthCode, lengths, kFixedLengthCodes);
    for (i = 0; i < kMaxDistanceCodes; ++i) lengths[i] = 5;
    Build(distanceCode, lengths, kMaxDistanceCodes);
    Codes(lengthCode, distanceCode);
  }

  void Dynamic() {
    static const unsigned char kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                             11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int lengthCount = static_cast<int>(Bits(5)) + 257;
    const int distanceCount = static_cast<int>(Bits(5)) + 1;
    const int codeCount = static_cast<int>(Bits(4)) + 4;
    if (lengthCount > kMaxLengthCodes || distanceCount > kMaxDistanceCodes) throw Malformed{};

    short lengths[kMaxLengthCodes + kMaxDistanceCodes] = {};
    for (int i = 0; i < codeCount; ++i) lengths[kOrder[i]] = static_cast<short>(Bits(3));
    Huffman lengthCode;
    if (Build(lengthCode, lengths, 19) != 0) throw Malformed{};  // must be complete

    int index = 0;
    while (index < lengthCount + distanceCount) {
      int symbol = Decode(lengthCode);
      if (symbol < 16) {
        lengths[index++] = static_cast<short>(symbol);
        continue;
      }
      short repeated = 0;
      if (symbol == 16) {
        if (index == 0) throw Malformed{};  // nothing to repeat
        repeated = lengths[index - 1];
        symbol = 3 + static_cast<int>(Bits(2));
      } else if (symbol == 17) {
        symbol = 3 + static_cast<int>(Bits(3));
      } else {
        symbol = 11 + static_cast<int>(Bits(7));
      }
      if (index + symbol > lengthCount + distanceCount) throw Malformed{};
      while (symbol-- > 0) lengths[index++] = repeated;
    }
    if (lengths[256] == 0) throw Malformed{};  // no end-of-block code

    // An incomplete code is allowed only when it holds a single code.
    int left = Build(lengthCode, lengths, lengthCount);
    if (left > 0 && lengthCount - lengthCode.count[0] != 1) throw Malformed{};
    Huffman distanceCode;
    left = Build(distanceCode, lengths + lengthCount, distanceCount);
    if (left > 0 && distanceCount - distanceCode.count[0] != 1) throw Malformed{};
    Codes(lengthCode, distanceCode);
  }

  const std::uint8_t* in_;
  std::size_t size_;
  std::size_t position_ = 0;
  std::uint32_t buffer_ = 0;  // bits read but not used, lowest first
  int count_ = 0;             // how many
  std::string& out_;
};

}  // namespace

bool InflateLocaleDocument(const std::uint8_t* data, std::size_t size, std::string& text) {
  text.clear();
  Inflater inflater(data, size, text);
  try {
    inflater.Run();
  } catch (const Malformed&) {
    text.clear();
    return false;
  }
  if (!inflater.UsedAllInput()) {
    text.clear();
    return false;
  }
  return true;
}
