// The streaming inflater against zlib: what zlib's deflate makes in every
// kind of block, fed and handed out in pieces of many sizes, and crafted
// streams that both must refuse.
#include "compression/inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/zlib_oracle.h"

namespace {

struct Kind {
  const char* name;
  int level;
  int strategy;
  int windowBits = 15;
};

std::string Deflate(const std::string& text, const Kind& kind) {
  return RawDeflate(text, kind.level, kind.strategy, kind.windowBits, 9);
}

// One stream whose pieces are compressed with different settings and flushed
// in between: stored, fixed and dynamic blocks, empty stored blocks from the
// flushes, and copies that reach back across block boundaries.
std::string DeflateMixed(const std::vector<std::string>& pieces) {
  const struct {
    int level;
    int strategy;
    int flush;
  } steps[] = {{0, Z_DEFAULT_STRATEGY, Z_SYNC_FLUSH}, {9, Z_FIXED, Z_NO_FLUSH},
               {6, Z_DEFAULT_STRATEGY, Z_FULL_FLUSH}, {1, Z_RLE, Z_SYNC_FLUSH},
               {9, Z_HUFFMAN_ONLY, Z_PARTIAL_FLUSH}, {9, Z_DEFAULT_STRATEGY, Z_BLOCK}};
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out;
  std::string buffer(1 << 16, '\0');
  auto drain = [&](int flush) {
    do {
      stream.next_out = reinterpret_cast<Bytef*>(&buffer[0]);
      stream.avail_out = static_cast<uInt>(buffer.size());
      const int result = deflate(&stream, flush);
      EXPECT_TRUE(result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR);
      out.append(buffer, 0, buffer.size() - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const auto& step = steps[i % (sizeof steps / sizeof steps[0])];
    drain(Z_BLOCK);  // settings change only between blocks
    EXPECT_EQ(deflateParams(&stream, step.level, step.strategy), Z_OK);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces[i].data()));
    stream.avail_in = static_cast<uInt>(pieces[i].size());
    drain(step.flush);
    EXPECT_EQ(stream.avail_in, 0u);
  }
  drain(Z_FINISH);
  deflateEnd(&stream);
  return out;
}

// Whether zlib inflates the whole stream; the crafted streams are checked
// against it so that each case says what the format says.
bool ZlibAccepts(const std::string& data) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  std::string out(1 << 16, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    result = inflate(&stream, Z_NO_FLUSH);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END;
}

// Hands the input over in pieces of `piece` bytes (0: all at once), each
// copied into a buffer of its own so that nothing reads past a piece.
class Pieces : public InflateSource {
 public:
  Pieces(const std::string& data, std::size_t piece) : data_(data), piece_(piece) {}
  bool Next(const std::uint8_t*& data, std::size_t& size) override {
    if (at_ == data_.size()) return false;
    const std::size_t left = data_.size() - at_;
    const std::size_t take = piece_ == 0 || piece_ > left ? left : piece_;
    current_.assign(data_.begin() + static_cast<std::ptrdiff_t>(at_),
                    data_.begin() + static_cast<std::ptrdiff_t>(at_ + take));
    at_ += take;
    data = current_.data();
    size = take;
    ++calls_;
    return true;
  }
  std::size_t Calls() const { return calls_; }
  std::size_t Handed() const { return at_; }

 private:
  const std::string& data_;
  std::size_t piece_;
  std::size_t at_ = 0;
  std::size_t calls_ = 0;
  std::vector<std::uint8_t> current_;
};

// Keeps what it is given and the size of each piece; refuses the piece with
// index `refuseAt`.
class Collect : public InflateSink {
 public:
  explicit Collect(std::size_t refuseAt = SIZE_MAX) : refuseAt_(refuseAt) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    EXPECT_GT(size, 0u);
    if (sizes.size() == refuseAt_) {
      refused = true;
      return false;
    }
    EXPECT_FALSE(refused) << "written to after refusing";
    sizes.push_back(size);
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
  std::vector<std::size_t> sizes;
  bool refused = false;

 private:
  std::size_t refuseAt_;
};

InflateResult InflateInPieces(const std::string& data, std::size_t piece, Collect& sink) {
  Pieces source(data, piece);
  return Inflate(source, sink);
}

// Text with repeats near and far (up to the whole window back), runs that
// copy overlapping themselves, and bytes of every value.
std::string Sample(std::size_t size, std::uint32_t seed) {
  std::string text;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    const std::uint32_t pick = (seed >> 16) % 5;
    if (pick == 0) text += "<Text id=\"BUTTON_NEXT\">Weiter &gt;</Text>\n";
    if (pick == 1) text.append((seed >> 8) % 300, static_cast<char>('a' + seed % 3));
    if (pick == 2) text += static_cast<char>(seed >> 24);
    if (pick == 3 && !text.empty()) {
      const std::size_t back = 1 + (seed >> 4) % (text.size() < 32768 ? text.size() : 32768);
      text += text.substr(text.size() - back, 3 + seed % 255);
    }
    if (pick == 4) {
      for (int i = 0; i < 20; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += static_cast<char>(seed >> 23);
      }
    }
  }
  text.resize(size);
  return text;
}

const Kind kKinds[] = {
    {"stored", 0, Z_DEFAULT_STRATEGY},
    {"fastest", 1, Z_DEFAULT_STRATEGY},
    {"default", 6, Z_DEFAULT_STRATEGY},
    {"best", 9, Z_DEFAULT_STRATEGY},
    {"filtered", 9, Z_FILTERED},
    {"fixed codes", 9, Z_FIXED},
    {"run lengths", 9, Z_RLE},
    {"literals only", 9, Z_HUFFMAN_ONLY},
    {"small window", 9, Z_DEFAULT_STRATEGY, 9},
};

TEST(Inflater, InflatesWhatZlibDeflatesFedInPiecesOfAnySize) {
  const std::vector<std::string> texts = {"",
                                          "x",
                                          "<?xml version=\"1.0\"?>",
                                          Sample(5000, 1),
                                          Sample(70000, 2),  // several stored blocks, past the window
                                          Noise(40000, 3),   // does not compress: stored blocks
                                          std::string(300000, '\0')};
  const std::size_t pieces[] = {0, 1, 7, 4093};
  for (const Kind& kind : kKinds) {
    for (const std::string& text : texts) {
      const std::string deflated = Deflate(text, kind);
      for (const std::size_t piece : pieces) {
        SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(text.size()) +
                     " bytes, input in pieces of " + std::to_string(piece));
        Collect sink;
        const InflateResult result = InflateInPieces(deflated, piece, sink);
        ASSERT_EQ(result.status, InflateStatus::kDone);
        EXPECT_EQ(result.unusedInput, 0u);
        EXPECT_TRUE(sink.text == text);
      }
    }
  }
}

TEST(Inflater, InflatesAStreamOfMixedBlocks) {
  std::vector<std::string> parts;
  for (std::uint32_t i = 0; i < 14; ++i) parts.push_back(Sample(1000 + 9000 * (i % 4), 10 + i));
  parts.push_back("");
  parts.push_back(Noise(70000, 99));
  std::string text;
  for (const std::string& part : parts) text += part;
  const std::string deflated = DeflateMixed(parts);
  for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{333}}) {
    SCOPED_TRACE("input in pieces of " + std::to_string(piece));
    Collect sink;
    const InflateResult result = InflateInPieces(deflated, piece, sink);
    ASSERT_EQ(result.status, InflateStatus::kDone);
    EXPECT_TRUE(sink.text == text);
  }
}

// Several MiB through the window: the output comes in bounded pieces, the
// input is asked for piece by piece, and the copies that reach back across
// the window's moves stay right.
TEST(Inflater, StreamsLargeDataInBoundedPieces) {
  std::string text;
  for (std::uint32_t i = 0; text.size() < (6u << 20); ++i) text += Sample(200000, 100 + i);
  for (const Kind& kind : {kKinds[1], kKinds[3], kKinds[6]}) {
    SCOPED_TRACE(kind.name);
    const std::string deflated = Deflate(text, kind);
    Pieces source(deflated, 65536);
    Collect sink;
    const InflateResult result = Inflate(source, sink);
    ASSERT_EQ(result.status, InflateStatus::kDone);
    EXPECT_TRUE(sink.text == text);
    EXPECT_EQ(source.Calls(), (deflated.size() + 65535) / 65536);
    EXPECT_GE(sink.sizes.size(), text.size() / kInflateBufferBytes);
    for (const std::size_t size : sink.sizes) EXPECT_LE(size, kInflateBufferBytes);
  }
}

TEST(Inflater, ASinkThatRefusesStopsIt) {
  const std::string text = Sample(1u << 20, 7);
  const std::string deflated = Deflate(text, kKinds[3]);
  for (const std::size_t refuseAt : {0, 1, 3}) {
    SCOPED_TRACE("refuses piece " + std::to_string(refuseAt));
    Collect sink(refuseAt);
    EXPECT_EQ(InflateInPieces(deflated, 0, sink).status, InflateStatus::kStopped);
    EXPECT_TRUE(sink.refused);
    EXPECT_EQ(sink.sizes.size(), refuseAt);
    EXPECT_EQ(sink.text, text.substr(0, sink.text.size()));
  }
}

// What the source hands over after the final block is counted, not taken
// for more stream, whether it was read ahead into the bits or not.
TEST(Inflater, CountsTheInputAfterTheStream) {
  for (const Kind& kind : {kKinds[0], kKinds[3], kKinds[5]}) {
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{5}}) {
      for (const std::string& after : {std::string("x"), std::string("trailing bytes")}) {
        SCOPED_TRACE(std::string(kind.name) + ", pieces of " + std::to_string(piece) + ", " +
                     std::to_string(after.size()) + " after");
        const std::string text = Sample(3000, 5);
        const std::string deflated = Deflate(text, kind);
        const std::string data = deflated + after;
        Pieces source(data, piece);
        Collect sink;
        const InflateResult result = Inflate(source, sink);
        ASSERT_EQ(result.status, InflateStatus::kDone);
        EXPECT_EQ(sink.text, text);
        EXPECT_EQ(result.unusedInput, source.Handed() - deflated.size());
        if (piece == 0) {
          EXPECT_EQ(result.unusedInput, after.size());
        }
      }
    }
  }
}

// Cut anywhere, a stream never inflates to success, and what was handed out
// before the end is the start of the text.
TEST(Inflater, InputThatEndsEarlyIsNeverDone) {
  const std::string text = Sample(4000, 11);
  for (const Kind& kind : {kKinds[0], kKinds[3], kKinds[5]}) {
    const std::string deflated = Deflate(text, kind);
    for (std::size_t cut = 0; cut < deflated.size(); ++cut) {
      SCOPED_TRACE(std::string(kind.name) + ", cut at " + std::to_string(cut));
      Collect sink;
      const std::string part = deflated.substr(0, cut);
      const InflateResult result = InflateInPieces(part, 1, sink);
      ASSERT_NE(result.status, InflateStatus::kDone);
      ASSERT_EQ(sink.text, text.substr(0, sink.text.size()));
    }
  }
}

// Writes a deflate stream bit by bit.
class BitWriter {
 public:
  // `count` bits of `value`, lowest first: header fields and extra bits.
  BitWriter& Bits(std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) Put((value >> i) & 1);
    return *this;
  }
  // A Huffman code of `length` bits, highest first.
  BitWriter& Code(std::uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) Put((code >> i) & 1);
    return *this;
  }
  // A symbol of the fixed literal/length code.
  BitWriter& Fixed(unsigned symbol) {
    if (symbol < 144) return Code(0x30 + symbol, 8);
    if (symbol < 256) return Code(0x190 + symbol - 144, 9);
    if (symbol < 280) return Code(symbol - 256, 7);
    return Code(0xC0 + symbol - 280, 8);
  }
  BitWriter& Bytes(const std::string& bytes) {
    used_ = 0;
    out_ += bytes;
    return *this;
  }
  std::string Done() const { return out_; }

 private:
  void Put(unsigned bit) {
    if (used_ == 0) out_ += '\0';
    out_.back() = static_cast<char>(out_.back() | (bit << used_));
    used_ = (used_ + 1) % 8;
  }
  std::string out_;
  unsigned used_ = 0;
};

// Canonical codes of `lengths` (0: no code).
std::vector<unsigned> CanonicalCodes(const std::vector<unsigned>& lengths) {
  unsigned count[16] = {};
  for (const unsigned length : lengths) ++count[length];
  count[0] = 0;
  unsigned next[16] = {};
  unsigned code = 0;
  for (unsigned length = 1; length < 16; ++length) {
    code = (code + count[length - 1]) << 1;
    next[length] = code;
  }
  std::vector<unsigned> codes(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] != 0) codes[i] = next[lengths[i]]++;
  }
  return codes;
}

// A dynamic block's header: `literals` and `distances` code lengths, sent in
// the code-length code `lengthCode` (by symbol) as `steps`: code-length
// symbols with their extra bits.
struct Step {
  unsigned symbol;
  unsigned extra = 0;
};
BitWriter& DynamicHeader(BitWriter& out, unsigned literals, unsigned distances,
                         const std::vector<unsigned>& lengthCode, const std::vector<Step>& steps) {
  static const unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  out.Bits(1, 1).Bits(2, 2).Bits(literals - 257, 5).Bits(distances - 1, 5).Bits(19 - 4, 4);
  for (const unsigned symbol : kOrder) out.Bits(lengthCode[symbol], 3);
  const std::vector<unsigned> codes = CanonicalCodes(lengthCode);
  for (const Step& step : steps) {
    out.Code(codes[step.symbol], lengthCode[step.symbol]);
    if (step.symbol == 16) out.Bits(step.extra, 2);
    if (step.symbol == 17) out.Bits(step.extra, 3);
    if (step.symbol == 18) out.Bits(step.extra, 7);
  }
  return out;
}

std::vector<unsigned> CodeLengthCode(std::initializer_list<std::pair<unsigned, unsigned>> lengths) {
  std::vector<unsigned> code(19, 0);
  for (const auto& [symbol, length] : lengths) code[symbol] = length;
  return code;
}

// Code lengths sent one symbol each, in a code-length code of 4 bits for
// 0..15: `literals` and `distances` (by symbol; missing ones are 0).
BitWriter& DynamicHeader(BitWriter& out, std::vector<unsigned> literals,
                         std::vector<unsigned> distances, unsigned literalCount = 257,
                         unsigned distanceCount = 1) {
  literals.resize(literalCount);
  distances.resize(distanceCount);
  std::vector<unsigned> lengthCode(19, 0);
  for (unsigned i = 0; i < 16; ++i) lengthCode[i] = 4;
  std::vector<Step> steps;
  for (const unsigned length : literals) steps.push_back({length});
  for (const unsigned length : distances) steps.push_back({length});
  return DynamicHeader(out, literalCount, distanceCount, lengthCode, steps);
}

// Lengths with `length` at each of `symbols`.
std::vector<unsigned> With(std::initializer_list<std::pair<unsigned, unsigned>> lengths) {
  std::vector<unsigned> result;
  for (const auto& [symbol, length] : lengths) {
    if (result.size() <= symbol) result.resize(symbol + 1);
    result[symbol] = length;
  }
  return result;
}

struct Crafted {
  const char* what;
  std::string data;
  InflateStatus status;
  std::string text = "";
};

std::vector<Crafted> CraftedStreams() {
  BitWriter w[32];
  int n = 0;
  const auto fixed = [&]() -> BitWriter& { return w[n++].Bits(1, 1).Bits(1, 2); };
  const auto fresh = [&]() -> BitWriter& { return w[n++]; };
  const std::string xyz = Deflate(Sample(3000, 4), kKinds[3]);
  return {
      {"no input", "", InflateStatus::kTruncated},
      {"reserved block type", std::string("\x07\x00", 2), InflateStatus::kMalformed},
      {"no final block", std::string("\x00\x00\x00\xFF\xFF", 5), InflateStatus::kTruncated},
      {"stored length and its complement disagree", std::string("\x01\x05\x00\x00\x00hello", 10),
       InflateStatus::kMalformed},
      {"stored block longer than the input", std::string("\x01\x05\x00\xFA\xFFhell", 9),
       InflateStatus::kTruncated},
      {"stored block, exactly its length", std::string("\x01\x05\x00\xFA\xFFhello", 10),
       InflateStatus::kDone, "hello"},
      {"copy before any output", fixed().Fixed(257).Code(0, 5).Fixed(256).Done(),
       InflateStatus::kMalformed},
      {"copy from one byte before the start",
       fixed().Fixed('a').Fixed('b').Fixed(257).Code(2, 5).Fixed(256).Done(),  // distance 3
       InflateStatus::kMalformed},
      {"copy from the very start, overlapping itself",
       fixed().Fixed('a').Fixed('b').Fixed(258).Code(1, 5).Fixed(256).Done(),  // length 4, distance 2
       InflateStatus::kDone, "ababab"},
      {"length symbol 286", fixed().Fixed('a').Fixed(286).Code(0, 5).Fixed(256).Done(),
       InflateStatus::kMalformed},
      {"length symbol 287", fixed().Fixed('a').Fixed(287).Code(0, 5).Fixed(256).Done(),
       InflateStatus::kMalformed},
      {"distance code 30", fixed().Fixed('a').Fixed(257).Code(30, 5).Fixed(256).Done(),
       InflateStatus::kMalformed},
      {"distance code 31", fixed().Fixed('a').Fixed(257).Code(31, 5).Fixed(256).Done(),
       InflateStatus::kMalformed},
      {"more than 286 literal/length codes",
       fresh().Bits(1, 1).Bits(2, 2).Bits(30, 5).Bits(0, 5).Bits(15, 4).Bytes(std::string(20, '\0')).Done(),
       InflateStatus::kMalformed},
      {"more than 30 distance codes",
       fresh().Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(30, 5).Bits(15, 4).Bytes(std::string(20, '\0')).Done(),
       InflateStatus::kMalformed},
      // 19 code-length codes of 7 bits.
      {"incomplete code-length code", std::string("\x05\xE0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10),
       InflateStatus::kMalformed},
      {"over-subscribed code-length code",
       DynamicHeader(fresh(), 257, 1, CodeLengthCode({{16, 1}, {17, 1}, {18, 1}}), {}).Done(),
       InflateStatus::kMalformed},
      {"a repeat with nothing before it",
       DynamicHeader(fresh(), 257, 1, CodeLengthCode({{0, 1}, {16, 1}}), {{16, 0}}).Done(),
       InflateStatus::kMalformed},
      {"repeats past the last code length",
       DynamicHeader(fresh(), 257, 1, CodeLengthCode({{0, 1}, {18, 1}}), {{18, 127}, {18, 127}}).Done(),
       InflateStatus::kMalformed},
      {"no end-of-block code",
       DynamicHeader(fresh(), 257, 1, CodeLengthCode({{0, 1}, {18, 1}}), {{18, 127}, {18, 109}}).Done(),
       InflateStatus::kMalformed},
      {"over-subscribed literal/length code",
       DynamicHeader(fresh(), With({{'a', 1}, {'b', 1}, {256, 1}}), With({{0, 1}})).Done(),
       InflateStatus::kMalformed},
      {"incomplete literal/length code of two codes",
       DynamicHeader(fresh(), With({{'a', 2}, {256, 2}}), With({{0, 1}})).Done(),
       InflateStatus::kMalformed},
      {"incomplete literal/length code of one two-bit code",
       DynamicHeader(fresh(), With({{256, 2}}), With({{0, 1}})).Code(0, 2).Done(),
       InflateStatus::kMalformed},
      {"incomplete distance code of two codes",
       DynamicHeader(fresh(), With({{256, 1}, {'a', 1}}), With({{0, 2}, {1, 2}}), 257, 2).Done(),
       InflateStatus::kMalformed},
      {"single one-bit codes",
       DynamicHeader(fresh(), With({{256, 1}}), With({{0, 1}})).Code(0, 1).Done(),
       InflateStatus::kDone},
      {"a code the single one-bit code lacks",
       DynamicHeader(fresh(), With({{256, 1}}), With({{0, 1}})).Code(1, 1).Done(),
       InflateStatus::kMalformed},
      {"a copy in a block without distance codes",
       DynamicHeader(fresh(), With({{'a', 2}, {256, 2}, {257, 1}}), With({})).Code(0, 1).Bits(0, 16).Done(),
       InflateStatus::kMalformed},
      {"last byte missing", xyz.substr(0, xyz.size() - 1), InflateStatus::kTruncated},
  };
}

TEST(Inflater, CraftedStreamsEndAsZlibSays) {
  for (const Crafted& c : CraftedStreams()) {
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}}) {
      SCOPED_TRACE(std::string(c.what) + ", input in pieces of " + std::to_string(piece));
      EXPECT_EQ(ZlibAccepts(c.data), c.status == InflateStatus::kDone);
      Collect sink;
      const InflateResult result = InflateInPieces(c.data, piece, sink);
      EXPECT_EQ(result.status, c.status);
      if (c.status == InflateStatus::kDone) {
        EXPECT_EQ(sink.text, c.text);
      }
    }
  }
}

}  // namespace
