#include "rules/number_conversion.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(DecimalConversion, ReadsLikeStoulWith32BitLong) {
  const struct {
    const wchar_t* text;
    std::uint32_t value;
  } cases[] = {
      {L"0", 0}, {L"42", 42}, {L"0042", 42}, {L"  \t42", 42}, {L"+42", 42}, {L"42abc", 42},
      {L"4294967295", 4294967295u}, {L"-1", 4294967295u}, {L"-0", 0}, {L"-4294967295", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalToULong(c.text), c.value) << Narrow(c.text);
}

TEST(DecimalConversion, ReadsLikeStoull) {
  EXPECT_EQ(DecimalToULongLong(L"1099511627776"), 1ull << 40);
  EXPECT_EQ(DecimalToULongLong(L"18446744073709551615"), ~0ull);
  EXPECT_EQ(DecimalToULongLong(L"-1"), ~0ull);
  EXPECT_EQ(DecimalToULongLong(L"4294967296"), 4294967296ull);
}

TEST(DecimalConversion, FailuresCarryTheStandardMessages) {
  const struct {
    const wchar_t* text;
    bool wide;  // the 64-bit conversion
    bool invalid;
    const char* message;
  } cases[] = {
      {L"", false, true, "invalid stoul argument"},
      {L"abc", false, true, "invalid stoul argument"},
      {L"- 1", false, true, "invalid stoul argument"},
      {L"+", false, true, "invalid stoul argument"},
      {L"4294967296", false, false, "stoul argument out of range"},
      {L"-4294967296", false, false, "stoul argument out of range"},
      {L"99999999999999999999999", false, false, "stoul argument out of range"},
      {L"x", true, true, "invalid stoull argument"},
      {L"18446744073709551616", true, false, "stoull argument out of range"},
  };
  for (const auto& c : cases) {
    try {
      if (c.wide) {
        DecimalToULongLong(c.text);
      } else {
        DecimalToULong(c.text);
      }
      ADD_FAILURE() << "no exception for " << Narrow(c.text);
    } catch (const std::invalid_argument& error) {
      EXPECT_TRUE(c.invalid) << Narrow(c.text);
      EXPECT_STREQ(error.what(), c.message);
    } catch (const std::out_of_range& error) {
      EXPECT_FALSE(c.invalid) << Narrow(c.text);
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

// The Internet Explorer version: the longest leading number, as stof.
TEST(DecimalToFloat, ReadsTheLeadingNumber) {
  const struct {
    const wchar_t* text;
    float value;
  } cases[] = {
      {L"9.11.19041.0", 9.11f}, {L"11.0.9600.16428", 11.0f}, {L" \t8.0", 8.0f},
      {L"-2.5x", -2.5f},         {L"1e3", 1000.0f},         {L"7\u00e9", 7.0f},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalToFloat(c.text), c.value) << Narrow(c.text);
}

TEST(DecimalToFloat, TextsWithoutANumberOrOutOfRange) {
  const struct {
    const wchar_t* text;
    bool invalid;
  } cases[] = {{L"", true}, {L"ie9", true}, {L".", true}, {L"\u00e99", true},
               {L"1e39", false}, {L"-1e39", false}};
  for (const auto& c : cases) {
    try {
      DecimalToFloat(c.text);
      ADD_FAILURE() << "no exception for " << Narrow(c.text);
    } catch (const std::invalid_argument& error) {
      EXPECT_TRUE(c.invalid) << Narrow(c.text);
      EXPECT_STREQ(error.what(), "invalid stof argument");
    } catch (const std::out_of_range& error) {
      EXPECT_FALSE(c.invalid) << Narrow(c.text);
      EXPECT_STREQ(error.what(), "stof argument out of range");
    }
  }
}

// Against the C library's strtof (what std::stof does): every way a number
// can be written, and many version-like texts.
TEST(DecimalToFloat, AgreesWithStrtof) {
  std::vector<std::string> texts = {
      "0",        "-0",         "+7",          "9.11.19041.0", "11.0.9600.16428", ".5",
      "5.",       "1e3",        "1E-3",        "2.5e+2x",      "1e",              "1e+",
      "0x1A",     "0X1.8p1",    "0x.8",        "0x",           "0xg",             "inf",
      "-Infinity", "nan",       "NaN(1)",      "  \t\n12",      "3.4028234e38",    "1.17549435e-38",
      "123456789012345678901234567890", "0.000000000000000000000000000001234",
      "1.00000005960464477539", "16777217",  "3.14159265358979323846264338327950288",
  };
  std::mt19937 random(7);
  for (int n = 0; n < 2000; ++n) {
    std::string text = std::to_string(random() % 100);
    for (int part = static_cast<int>(random() % 4); part > 0; --part) {
      text += "." + std::to_string(random() % 100000);
    }
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    char* end = nullptr;
    errno = 0;
    const float expected = std::strtof(text.c_str(), &end);
    const std::wstring wide(text.begin(), text.end());
    if (end == text.c_str()) {
      EXPECT_THROW(DecimalToFloat(wide), std::invalid_argument) << text;
    } else if (errno == ERANGE) {
      EXPECT_THROW(DecimalToFloat(wide), std::out_of_range) << text;
    } else if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(DecimalToFloat(wide))) << text;
    } else {
      EXPECT_EQ(DecimalToFloat(wide), expected) << text;
    }
  }
}

}  // namespace
