#include "config/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(DecimalFormatting, WritesWhatToWstringWrites) {
  const struct {
    std::int64_t value;
    const wchar_t* text;
  } signedCases[] = {
      {0, L"0"},
      {7, L"7"},
      {-7, L"-7"},
      {10, L"10"},
      {-10, L"-10"},
      {INT32_MAX, L"2147483647"},
      {INT32_MIN, L"-2147483648"},
      {INT64_MAX, L"9223372036854775807"},
      {INT64_MIN, L"-9223372036854775808"},
  };
  for (const auto& c : signedCases) EXPECT_EQ(SignedToDecimal(c.value), c.text) << c.value;

  const struct {
    std::uint64_t value;
    const wchar_t* text;
  } unsignedCases[] = {
      {0, L"0"},
      {9, L"9"},
      {100, L"100"},
      {UINT32_MAX, L"4294967295"},
      {UINT32_MAX + 1ull, L"4294967296"},
      {UINT64_MAX, L"18446744073709551615"},
  };
  for (const auto& c : unsignedCases) EXPECT_EQ(UnsignedToDecimal(c.value), c.text) << c.value;
}

// The call sites pass their own types: the sign follows the type, not the bits.
TEST(DecimalFormatting, FollowsTheArgumentsType) {
  EXPECT_EQ(ToDecimal(-1), L"-1");
  EXPECT_EQ(ToDecimal(static_cast<std::int32_t>(0x80070005u)), L"-2147024891");
  EXPECT_EQ(ToDecimal(0xFFFFFFFFu), L"4294967295");
  EXPECT_EQ(ToDecimal(static_cast<std::uint32_t>(-1)), L"4294967295");
  EXPECT_EQ(ToDecimal(static_cast<short>(-32768)), L"-32768");
  EXPECT_EQ(ToDecimal(static_cast<unsigned char>(255)), L"255");
  EXPECT_EQ(ToDecimal(~0ull), L"18446744073709551615");
}

}  // namespace
