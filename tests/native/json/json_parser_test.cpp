// Our JSON parser against the JSON library (the oracle): the same documents
// accepted and refused, the same values with the same kinds of number.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "json/compact_json.h"
#include "json/json_parser.h"
#include "json/json_value.h"

#include "../../shared/json_oracle.h"
#include "../../shared/json_support.h"

namespace {

enum class Outcome { kValue, kParseError, kRangeError };

// What the library makes of `text`; `described` is the value for kValue.
Outcome LibraryParse(const std::string& text, std::string& described) {
  try {
    described = Describe(nlohmann::json::parse(text));
    return Outcome::kValue;
  } catch (const nlohmann::json::parse_error&) {
    return Outcome::kParseError;
  } catch (const nlohmann::json::out_of_range&) {
    return Outcome::kRangeError;
  }
}

Outcome OurParse(const std::string& text, std::string& described) {
  try {
    described = Describe(ParseJson(text));
    return Outcome::kValue;
  } catch (const JsonParseError&) {
    return Outcome::kParseError;
  } catch (const JsonError&) {
    return Outcome::kRangeError;
  }
}

std::string Nested(int depth, const std::string& inner) {
  return std::string(depth, '[') + inner + std::string(depth, ']');
}

const std::vector<std::string>& Documents() {
  static const std::vector<std::string> documents = {
      // Values of every kind, with whitespace where JSON allows it.
      "{}", "[]", "null", "true", "false", "\"\"", " \t\r\n{ \"a\" : [ 1 , 2 ] }\n ",
      R"({"b":1,"a":[1,2,{"c":null}],"":{}})", "[[[]],{},[{}]]",
      // Integers at the edges of the signed and unsigned ranges.
      "0", "-0", "1", "-1", "9223372036854775807", "9223372036854775808",
      "-9223372036854775808", "-9223372036854775809", "18446744073709551615",
      "18446744073709551616", "-18446744073709551616", "123456789012345678901234567890",
      "00", "-00", "01", "-01", "+1", "-", "--1",
      // Fractions and exponents.
      "1.5", "-0.0", "0.1", "2.5e-3", "1e2", "1E2", "1e+2", "1e-2", "1E-0", "0e0", "1e22",
      "1e23", "4503599627370497.5", "9007199254740993", "2.9999999999999999",
      "2147483647.9999999", "1.7976931348623157e308", "-1.7976931348623157e308",
      "2.2250738585072014e-308", "12345678901234567890123e-10", "0.30000000000000004",
      "4.9e-324", "1e-400", "0e999999999", "0.00000000000000000000000000000000001e35",
      "1e400", "-1e400", "1.", ".5", "1e", "1e+", "1.e5", "1.5e", "0x10", "NaN", "Infinity",
      "-Infinity", "1_000",
      // Literals.
      "tru", "nul", "falsey", "True", "NULL",
      // Escapes and surrogates.
      R"("\"\\\/\b\f\n\r\t")", R"("\u0041\u00e9\u00E9\u20ac")", R"("\u0000")",
      R"("\ud83d\ude00")", R"("\uD83D\uDE00")", R"("\udbff\udfff")", R"("\ud800")",
      R"("\udc00")", R"("\ud800\u0041")", R"("\ud800\ud800")", R"("\ud800x")",
      R"("\ud800\")", R"("\u12")", R"("\u12g4")", R"("\x41")", R"("\a")", R"("\')",
      // UTF-8 inside strings.
      "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf\"", "\"\xc3\"",
      "\"\xc0\xaf\"", "\"\xe0\x80\xaf\"", "\"\xed\xa0\x80\"", "\"\xed\x9f\xbf\"",
      "\"\xf4\x90\x80\x80\"", "\"\xf5\x80\x80\x80\"", "\"\xff\"", "\"\x80\"",
      "\"\xe2\x82\"", "\"\xf0\x9f\x98\"", "\"caf\xe9\"",
      // Control characters must be escaped inside strings.
      "\"a\x01z\"", "\"tab\there\"", "\"new\nline\"", "\"\x7f\"",
      std::string("\"nul\0byte\"", 10), std::string("{}\0", 3), std::string("{} \0x}", 6),
      std::string("\0{}", 3), std::string("[1\0]", 4), std::string("{\"a\"\0:1}", 8),
      // Structure.
      "", " ", "{", "}", "[", "]", "[1,]", "[,1]", "[1 2]", "{\"a\":1,}", "{\"a\" 1}",
      "{a:1}", "{\"a\":}", "{1:2}", "{\"a\":1 \"b\":2}", "'a'", "\"abc", "[1]x", "{} {}",
      "/*c*/{}", "{}//", "# x\n{}",
      // Duplicate keys: the last one counts.
      R"({"a":1,"a":2})", R"({"k":[1],"j":0,"k":{"x":true}})",
      // A byte order mark is skipped, a broken one refused.
      "\xEF\xBB\xBF{\"a\":1}", "\xEF\xBB{}", "\xEF{}", "{}\xEF\xBB\xBF",
      // Nesting within our limit.
      Nested(64, "1"), Nested(kJsonParserMaxDepth, ""), Nested(200, "{\"a\":[]}"),
  };
  return documents;
}

// Figures with more than 53 bits of mantissa or an exponent beyond +-22 are
// converted within a few units in the last place, not exactly (see
// json_parser.cpp); these ones land off by a unit or more.
const std::set<std::string> kApproximate = {"1.7976931348623157e308", "-1.7976931348623157e308"};

bool Close(double ours, double theirs) {
  const double unit = std::nextafter(std::fabs(theirs), HUGE_VAL) - std::fabs(theirs);
  return std::fabs(ours - theirs) <= 4 * unit;
}

std::string Printable(const std::string& text) {
  return text.size() > 80 ? text.substr(0, 80) + "..." : text;
}

TEST(JsonParserTest, AgreesWithTheLibrary) {
  for (const std::string& text : Documents()) {
    std::string ours, theirs;
    const Outcome expected = LibraryParse(text, theirs);
    EXPECT_EQ(OurParse(text, ours), expected) << Printable(text);
    if (kApproximate.count(text) != 0) {
      EXPECT_TRUE(Close(ParseJson(text).Number(), nlohmann::json::parse(text).get<double>()));
    } else {
      EXPECT_EQ(ours, theirs) << Printable(text);
    }
  }
}

TEST(JsonParserTest, WrittenValuesReadBackTheSame) {
  for (const std::string& text : Documents()) {
    JsonValue value;
    try {
      value = ParseJson(text);
    } catch (const JsonError&) {
      continue;
    }
    const std::string written = CompactJson(value);
    // The same figures ("-0" comes back as 0, a whole double as an integer).
    if (kApproximate.count(text) == 0) {
      EXPECT_EQ(ParseJson(written), value) << Printable(text);
    }
    // Floating-point numbers are the one thing written differently (the
    // reports never carry one).
    if (!HasFloat(value)) {
      EXPECT_EQ(written, ToLibrary(value).dump()) << Printable(text);
    }
  }
}

TEST(JsonParserTest, RefusesNestingBeyondTheLimit) {
  // The library has no limit; ours keeps the recursion bounded.
  EXPECT_THROW(ParseJson(Nested(kJsonParserMaxDepth + 1, "")), JsonParseError);
  EXPECT_THROW(ParseJson(Nested(kJsonParserMaxDepth, "{\"a\":1}")), JsonParseError);
  EXPECT_THROW(ParseJson(Nested(100000, "")), JsonParseError);
  EXPECT_NO_THROW(ParseJson(Nested(3, ""), 3));
  EXPECT_THROW(ParseJson(Nested(4, ""), 3), JsonParseError);
}

TEST(JsonParserTest, ManyMembersAndElementsStayFast) {
  // Sorting once keeps a hostile object with many keys cheap.
  std::string text = "{";
  for (int i = 200000; i > 0; --i) {
    text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + (i > 1 ? "," : "}");
  }
  const JsonValue value = ParseJson(text);
  ASSERT_EQ(value.Size(), 200000u);
  EXPECT_EQ(value.Members().front().key, "k1");
  EXPECT_EQ(value.At("k123").ToInt64(), 123);
}

}  // namespace
