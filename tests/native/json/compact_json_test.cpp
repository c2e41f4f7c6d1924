// The compact writer of the configuration request and the analytics bodies
// against the JSON library's own compact writing (the oracle), which the
// reference server compares a request or report with.
#include <gtest/gtest.h>

#include <string>

#include "json/compact_json.h"
#include "json/json_parser.h"
#include "json/json_value.h"

#include "../../shared/json_oracle.h"

namespace {

using nlohmann::json;

TEST(CompactJsonTest, WritesValidTextAsTheLibraryDoes) {
  std::string controls;
  for (int c = 0; c < 0x20; ++c) controls += static_cast<char>(c);
  controls += "\x7f/'";
  const JsonValue values[] = {
      JsonValue::MakeObject(),
      JsonValue::MakeArray(),
      nullptr,
      true,
      false,
      0,
      -1,
      std::int64_t{-9223372036854775807 - 1},
      std::uint64_t{18446744073709551615u},
      "",
      "plain text",
      controls,
      "quote \" backslash \\ slash /",
      "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xef\xbf\xbd \xf4\x8f\xbf\xbf",
      {{"b", 1}, {"a", "x"}, {"10", 2}, {"2", 3}, {"", nullptr}},
      {{"nested", {{"list", {1, "two", false, nullptr, JsonValue::MakeObject()}}}}},
      JsonValue::MakeArray({JsonValue::MakeArray({JsonValue::MakeArray()})}),
      ParseJson(R"({"z":[1,{"y":{},"x":[]}],"a":{"c":"d","b":"e"}})"),
  };
  for (const JsonValue& value : values) {
    EXPECT_EQ(CompactJson(value), ToLibrary(value).dump()) << ToLibrary(value).dump();
  }
}

TEST(CompactJsonTest, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string text;
    std::string written;  // between the quotes
  };
  const std::string r = "\xef\xbf\xbd";
  const Case cases[] = {
      {"caf\xe9", "caf" + r},               // an ANSI byte
      {"\x80", r},                          // a lone continuation byte
      {"\xc0\xaf", r + r},                  // overlong: neither byte can start anything
      {"\xe0\x80\xaf", r + r + r},          // overlong three-byte form
      {"\xed\xa0\x80", r + r + r},          // a surrogate
      {"\xf4\x90\x80\x80", r + r + r + r},  // above U+10FFFF
      {"\xf5\x80", r + r},
      {"\xe2\x82", r},         // cut short at the end
      {"\xe2\x82x", r + "x"},  // cut short before ASCII
      {"\xf0\x9f\x98", r},
      {"\xf0\x9f\x98\xc3\xa9", r + "\xc3\xa9"},  // cut short before a valid sequence
      {"a\xffz", "a" + r + "z"},
  };
  for (const Case& c : cases) {
    const std::string written = CompactJson(JsonValue(c.text));
    EXPECT_EQ(written, "\"" + c.written + "\"");
    EXPECT_EQ(written, json(c.text).dump(-1, ' ', false, json::error_handler_t::replace));
    EXPECT_NO_THROW(json::parse(written));
    EXPECT_EQ(ParseJson(written).String(), c.written);
  }
}

TEST(CompactJsonTest, NumbersTheReportsNeverCarry) {
  EXPECT_EQ(CompactJson(JsonValue(0.5)), "0.5");
  EXPECT_EQ(CompactJson(JsonValue(std::nan(""))), "null");
  EXPECT_EQ(json::parse(CompactJson(JsonValue(0.1))).get<double>(), 0.1);
}

}  // namespace
