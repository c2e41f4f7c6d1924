// Raw deflate streams (ZIP entries, the locale documents) through our
// inflater, fed in pieces, against zlib's inflate as the oracle: the same
// verdict and, when both finish, the same bytes.
//
// Input: [piece][stream]. The stream is handed over `piece` bytes at a time
// (0: all at once), each piece in a buffer of its own.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "compression/inflater.h"

namespace {

// Small, so that streams that inflate to a lot are cut short quickly.
constexpr std::size_t kLimit = 4u << 20;

void Check(bool condition) {
  if (!condition) std::abort();
}

class Pieces : public InflateSource {
 public:
  Pieces(const std::uint8_t* data, std::size_t size, std::size_t piece)
      : data_(data), size_(size), piece_(piece) {}
  bool Next(const std::uint8_t*& data, std::size_t& size) override {
    if (at_ == size_) return false;
    const std::size_t take = piece_ == 0 || piece_ > size_ - at_ ? size_ - at_ : piece_;
    current_.assign(data_ + at_, data_ + at_ + take);
    at_ += take;
    data = current_.data();
    size = take;
    return true;
  }
  std::size_t Handed() const { return at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t piece_;
  std::size_t at_ = 0;
  std::vector<std::uint8_t> current_;
};

class Bounded : public InflateSink {
 public:
  bool Write(const std::uint8_t* data, std::size_t size) override {
    Check(size > 0 && size <= kInflateBufferBytes);
    if (size > kLimit - text.size()) return false;
    text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string text;
};

enum class Zlib { kDone, kFailed, kTooLarge };

Zlib ZlibInflate(const std::uint8_t* data, std::size_t size, std::string& text,
                 std::size_t& used) {
  z_stream stream{};
  Check(inflateInit2(&stream, -MAX_WBITS) == Z_OK);
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  std::vector<unsigned char> out(64 * 1024);
  int result = Z_OK;
  Zlib verdict = Zlib::kFailed;
  while (result == Z_OK) {
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    result = inflate(&stream, Z_NO_FLUSH);
    text.append(reinterpret_cast<const char*>(out.data()), out.size() - stream.avail_out);
    if (text.size() > kLimit) {
      verdict = Zlib::kTooLarge;
      break;
    }
    if (result == Z_STREAM_END) verdict = Zlib::kDone;
  }
  used = size - stream.avail_in;
  inflateEnd(&stream);
  return verdict;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = data[0];
  ++data;
  --size;

  Pieces source(data, size, piece);
  Bounded sink;
  const InflateResult result = Inflate(source, sink);
  std::string expected;
  std::size_t used = 0;
  const Zlib verdict = ZlibInflate(data, size, expected, used);

  if (verdict == Zlib::kTooLarge) {
    // Ours stops at the limit too, unless it found the stream bad first
    // (zlib hands out what it has before it looks further).
    Check(result.status != InflateStatus::kDone);
    return 0;
  }
  if (verdict == Zlib::kDone) {
    Check(result.status == InflateStatus::kDone);
    Check(sink.text == expected);
    Check(source.Handed() - result.unusedInput == used);
  } else {
    Check(result.status == InflateStatus::kMalformed || result.status == InflateStatus::kTruncated);
    // What was handed out before the fault is what zlib made of it too.
    const std::string& shorter = sink.text.size() < expected.size() ? sink.text : expected;
    Check(sink.text.compare(0, shorter.size(), shorter) == 0);
    Check(expected.compare(0, shorter.size(), shorter) == 0);
  }
  return 0;
}
