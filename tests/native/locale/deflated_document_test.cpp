// The locale documents' inflater against zlib's deflate in its different
// block kinds, and against streams it must refuse.
#include "locale/deflated_document.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/zlib_oracle.h"

namespace {

bool Inflate(const std::string& stored, std::string& text) {
  return InflateLocaleDocument(reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size(),
                               text);
}

// Text with repeats near and far, and bytes of every value.
std::string Sample(std::size_t size) {
  std::string text;
  std::uint32_t seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    const std::uint32_t pick = (seed >> 16) % 4;
    if (pick == 0) text += "<Text id=\"BUTTON_NEXT\">Weiter &gt;</Text>\n";
    if (pick == 1) text.append((seed >> 8) % 300, 'a');  // runs: copies overlapping themselves
    if (pick == 2) text += static_cast<char>(seed >> 24);
    if (pick == 3 && !text.empty()) text += text.substr((seed >> 4) % text.size(), 40);
  }
  text.resize(size);
  return text;
}

TEST(DeflatedDocument, InflatesWhatZlibDeflatesInEveryKindOfBlock) {
  const struct {
    const char* name;
    int level;
    int strategy;
  } kinds[] = {
      {"stored", 0, Z_DEFAULT_STRATEGY},         {"fastest", 1, Z_DEFAULT_STRATEGY},
      {"dynamic codes", 9, Z_DEFAULT_STRATEGY},  {"fixed codes", 9, Z_FIXED},
      {"run lengths", 9, Z_RLE},                 {"literals only", 9, Z_HUFFMAN_ONLY},
  };
  // 70000 bytes: more than one stored block (65535) and more than the window.
  const std::vector<std::string> texts = {"", "x", "<?xml version=\"1.0\"?>", Sample(5000),
                                          Sample(70000), std::string(40000, '\0')};
  for (const auto& kind : kinds) {
    for (const std::string& text : texts) {
      SCOPED_TRACE(std::string(kind.name) + ", " + std::to_string(text.size()) + " bytes");
      std::string inflated = "left over";
      ASSERT_TRUE(Inflate(RawDeflate(text, kind.level, kind.strategy), inflated));
      EXPECT_EQ(inflated, text);
    }
  }
}

TEST(DeflatedDocument, RefusesMalformedStreams) {
  const std::string whole = RawDeflate(Sample(3000), 9, Z_DEFAULT_STRATEGY);
  const struct {
    const char* what;
    std::string stored;
  } cases[] = {
      {"nothing", ""},
      {"reserved block type", std::string("\x07\x00", 2)},
      {"stored length and its complement disagree", std::string("\x01\x05\x00\x00\x00hello", 10)},
      {"stored block longer than the input", std::string("\x01\x05\x00\xFA\xFFhell", 9)},
      // Fixed codes: a match (length 3, distance 1) before any output.
      {"copy from before the start", std::string("\x03\x02\x00", 3)},
      // Dynamic block whose code-length code is incomplete (19 codes of
      // length 7).
      {"incomplete code-length code", std::string("\x05\xE0\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10)},
      {"cut short", whole.substr(0, whole.size() / 2)},
      {"last byte missing", whole.substr(0, whole.size() - 1)},
      {"bytes after the end", whole + "x"},
      {"no final block", std::string("\x00\x00\x00\xFF\xFF", 5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = "left over";
    EXPECT_FALSE(Inflate(c.stored, text));
    EXPECT_TRUE(text.empty());
  }
}

TEST(DeflatedDocument, RefusesToGrowBeyondTheLimit) {
  std::string text;
  EXPECT_TRUE(Inflate(RawDeflate(std::string(kMaxLocaleDocumentBytes, 'a'), 9, Z_DEFAULT_STRATEGY),
                      text));
  EXPECT_EQ(text.size(), kMaxLocaleDocumentBytes);
  EXPECT_FALSE(Inflate(
      RawDeflate(std::string(kMaxLocaleDocumentBytes + 1, 'a'), 9, Z_DEFAULT_STRATEGY), text));
  EXPECT_TRUE(text.empty());
}

}  // namespace
