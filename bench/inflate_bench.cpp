// Our inflater and CRC-32 (src/compression) against zlib's on the same
// multi-MB raw deflate streams: the output goes through a 64 KiB piece at a
// time as in the ZIP extractor, and is only looked at, not kept.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compression/crc32.h"
#include "compression/inflater.h"
#include "support/zlib_oracle.h"

namespace {

constexpr std::size_t kSize = 16u << 20;
constexpr std::size_t kPiece = 64 * 1024;

std::uint32_t Next(std::uint32_t& seed) {
  seed = seed * 1103515245u + 12345u;
  return seed;
}

// Markup-like text: words, runs and repeats near and far (compresses about 5:1).
std::string Text() {
  static const char* const kWords[] = {"<Text id=\"", "BUTTON_", "NEXT", "\">", "Weiter",
                                       " &gt;", "</Text>\n", "Install", "ation ", "offer"};
  std::string text;
  std::uint32_t seed = 1;
  while (text.size() < kSize) {
    const std::uint32_t pick = Next(seed) >> 16;
    if (pick % 4 != 3 || text.size() < 1000) {
      text += kWords[pick % 10];
    } else {
      text += text.substr(text.size() - 1 - (Next(seed) >> 8) % 999, 5 + pick % 60);
    }
  }
  text.resize(kSize);
  return text;
}

// Like an installer: stretches of code-like bytes with repeats, and
// stretches that are already compressed (random).
std::string Binary() {
  std::string data;
  std::uint32_t seed = 2;
  while (data.size() < kSize) {
    const bool compressed = (Next(seed) >> 16) % 3 == 0;
    for (int i = 0; i < 4096; ++i) {
      const std::uint32_t value = Next(seed);
      data += static_cast<char>(compressed ? value >> 24 : (value >> 28) * 17);
    }
  }
  data.resize(kSize);
  return data;
}

std::string Deflate(const std::string& data, int level) {
  return RawDeflate(data, level, Z_DEFAULT_STRATEGY);
}

const std::string& Stream(int which) {
  static const std::string streams[] = {Deflate(Text(), 6), Deflate(Binary(), 6),
                                        Deflate(Text(), 1)};
  return streams[which];
}

const char* const kNames[] = {"text level 6", "installer-like level 6", "text level 1"};

class Chunks : public InflateSource {
 public:
  explicit Chunks(const std::string& data) : data_(data) {}
  bool Next(const std::uint8_t*& data, std::size_t& size) override {
    if (at_ == data_.size()) return false;
    size = data_.size() - at_ < kPiece ? data_.size() - at_ : kPiece;
    data = reinterpret_cast<const std::uint8_t*>(data_.data()) + at_;
    at_ += size;
    return true;
  }

 private:
  const std::string& data_;
  std::size_t at_ = 0;
};

class Count : public InflateSink {
 public:
  bool Write(const std::uint8_t* data, std::size_t size) override {
    benchmark::DoNotOptimize(data);
    total += size;
    return true;
  }
  std::size_t total = 0;
};

void OwnInflater(benchmark::State& state) {
  const std::string& stream = Stream(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Chunks source(stream);
    Count sink;
    if (Inflate(source, sink).status != InflateStatus::kDone || sink.total != kSize) {
      state.SkipWithError("inflate failed");
    }
  }
  state.SetLabel(kNames[state.range(0)]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void ZlibInflate(benchmark::State& state) {
  const std::string& stream = Stream(static_cast<int>(state.range(0)));
  std::vector<unsigned char> out(kPiece);
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    std::size_t at = 0;
    std::size_t total = 0;
    int result = Z_OK;
    while (result == Z_OK) {
      if (z.avail_in == 0) {
        const std::size_t piece = stream.size() - at < kPiece ? stream.size() - at : kPiece;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data())) + at;
        z.avail_in = static_cast<uInt>(piece);
        at += piece;
      }
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      result = inflate(&z, Z_NO_FLUSH);
      total += out.size() - z.avail_out;
      benchmark::DoNotOptimize(out.data());
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END || total != kSize) state.SkipWithError("zlib failed");
  }
  state.SetLabel(kNames[state.range(0)]);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

void OwnCrc32(benchmark::State& state) {
  static const std::string data = Binary();
  for (auto _ : state) benchmark::DoNotOptimize(Crc32(0, data.data(), data.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void ZlibCrc32(benchmark::State& state) {
  static const std::string data = Binary();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

BENCHMARK(OwnInflater)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibInflate)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(OwnCrc32)->Unit(benchmark::kMillisecond);
BENCHMARK(ZlibCrc32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
