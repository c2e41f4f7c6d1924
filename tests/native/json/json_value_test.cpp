// JsonValue's accessors: the conversions the offers rely on and the type
// errors that reject a malformed offer.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "json/compact_json.h"
#include "json/json_parser.h"
#include "json/json_value.h"

#include "../../shared/json_support.h"

namespace {

TEST(JsonValueTest, NumbersConvertAsTheOffersReadThem) {
  struct Case {
    const char* text;
    std::int64_t asInt64;
    std::int32_t asInt32;
  };
  constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
  constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
  const Case cases[] = {
      {"0", 0, 0},
      {"-7", -7, -7},
      {"true", 1, 1},
      {"false", 0, 0},
      // Integers wrap to the width.
      {"4294967297", 4294967297, 1},
      {"18446744073709551615", -1, -1},
      {"-9223372036854775808", kMin64, 0},
      // Floating values truncate toward zero and saturate.
      {"2.9", 2, 2},
      {"-2.9", -2, -2},
      {"2.5e3", 2500, 2500},
      {"1e10", 10000000000, kMax32},
      {"-1e10", -10000000000, kMin32},
      {"1e300", kMax64, kMax32},
      {"-1e300", kMin64, kMin32},
      {"18446744073709551616", kMax64, kMax32},
      {"2147483647.9", 2147483647, kMax32},
      {"-2147483648.9", -2147483648, kMin32},
  };
  for (const Case& c : cases) {
    const JsonValue value = ParseJson(c.text);
    EXPECT_EQ(value.ToInt64(), c.asInt64) << c.text;
    EXPECT_EQ(value.ToInt32(), c.asInt32) << c.text;
  }
}

TEST(JsonValueTest, WrongKindsAreTypeErrors) {
  const JsonValue object = ParseJson(R"({"s":"x","n":1,"b":true,"a":[],"o":{},"z":null})");
  EXPECT_THROW(object.At("s").ToInt32(), JsonTypeError);
  EXPECT_THROW(object.At("z").ToInt64(), JsonTypeError);
  EXPECT_THROW(object.At("n").String(), JsonTypeError);
  EXPECT_THROW(object.At("n").Boolean(), JsonTypeError);
  EXPECT_THROW(object.At("b").String(), JsonTypeError);
  EXPECT_THROW(object.At("o").Elements(), JsonTypeError);
  EXPECT_THROW(object.At("a").Members(), JsonTypeError);
  EXPECT_THROW(object.At("missing"), JsonTypeError);
  EXPECT_THROW(object.At("a").At("x"), JsonTypeError);
  EXPECT_EQ(object.At("a").Find("x"), nullptr) << "Find answers null on anything but an object";
  EXPECT_EQ(object.Find("missing"), nullptr);
  JsonValue text = "x";
  EXPECT_THROW(text["k"], JsonTypeError);
  EXPECT_THROW(text.PushBack(1), JsonTypeError);
  // Both are runtime errors, which the callers of Package rely on.
  EXPECT_THROW(object.At("missing"), std::runtime_error);
}

TEST(JsonValueTest, BuildingKeepsKeysInOrderAndUnique) {
  JsonValue built;
  built["b"] = 1;
  built["a"] = "x";
  built["10"] = 2;
  built["b"] = 3;
  EXPECT_EQ(CompactJson(built), R"({"10":2,"a":"x","b":3})");
  JsonValue list;
  list.PushBack(nullptr);
  list.PushBack(JsonValue::MakeObject());
  EXPECT_EQ(CompactJson(list), "[null,{}]");
  // Pairs that start with a string make an object, anything else an array.
  EXPECT_EQ(CompactJson(JsonValue{{"13", "reason"}, {"5", 2}}), R"({"13":"reason","5":2})");
  EXPECT_EQ(CompactJson(JsonValue{{"13", "reason"}, {5, 2}}), R"([["13","reason"],[5,2]])");
  EXPECT_EQ(CompactJson(JsonValue{1, "two", false}), R"([1,"two",false])");
}

TEST(JsonValueTest, EqualityComparesNumbersByValue) {
  EXPECT_EQ(ParseJson("1"), ParseJson("1.0"));
  EXPECT_EQ(ParseJson("[1,{\"a\":-1}]"), (JsonValue{1, {{"a", -1}}}));
  EXPECT_NE(ParseJson("18446744073709551615"), JsonValue(-1));
  EXPECT_NE(ParseJson("1"), JsonValue(true));
  EXPECT_NE(ParseJson(R"({"a":1})"), ParseJson(R"({"a":1,"b":2})"));
  EXPECT_NE(ParseJson(R"({"a":1})"), ParseJson(R"({"b":1})"));
  EXPECT_NE(ParseJson("\"1\""), JsonValue(1));
}

}  // namespace
