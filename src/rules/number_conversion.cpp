#include "rules/number_conversion.h"

#include <limits>
#include <string>
#include <stdexcept>

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

std::uint64_t ConvertDecimal(const std::wstring& text, std::uint64_t max, const char* name) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  const std::size_t firstDigit = i;
  std::uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const std::uint64_t digit = static_cast<std::uint64_t>(text[i] - L'0');
    if (value > (max - digit) / 10) overflow = true;  // keeps reading, as strtoul does
    if (!overflow) value = value * 10 + digit;
  }
  if (i == firstDigit) throw std::invalid_argument(std::string("invalid ") + name + " argument");
  if (overflow) throw std::out_of_range(std::string(name) + " argument out of range");
  // strtoul negates in the unsigned type: "-1" is the largest value.
  if (negative && value != 0) value = max - value + 1;
  return value;
}

}  // namespace

std::uint32_t DecimalToULong(const std::wstring& text) {
  return static_cast<std::uint32_t>(
      ConvertDecimal(text, std::numeric_limits<std::uint32_t>::max(), "stoul"));
}

std::uint64_t DecimalToULongLong(const std::wstring& text) {
  return ConvertDecimal(text, std::numeric_limits<std::uint64_t>::max(), "stoull");
}

namespace {

// Case-insensitive: does `text` hold `word` (lower case) at `at`?
bool WordAt(const std::wstring& text, std::size_t at, const char* word) {
  for (; *word; ++word, ++at) {
    if (at >= text.size()) return false;
    wchar_t c = text[at];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != static_cast<wchar_t>(*word)) return false;
  }
  return true;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads "[eE|pP][+-]digits" at `i` when digits follow; the exponent (bounded,
// beyond any float) or 0.
long ReadExponent(const std::wstring& text, std::size_t& i, wchar_t mark) {
  std::size_t at = i;
  if (at >= text.size() || (text[at] | 0x20) != mark) return 0;
  ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  if (at >= text.size() || text[at] < L'0' || text[at] > L'9') return 0;
  long exponent = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    if (exponent < 100000) exponent = exponent * 10 + (text[at] - L'0');
  }
  i = at;
  return negative ? -exponent : exponent;
}

// mantissa × base^exponent in the widest floating type, rounded once where
// the power is exact (5^27 and 2^x fit its 64-bit significand).
long double Scale(std::uint64_t mantissa, long exponent, long double base) {
  long double power = 1;
  const long steps = exponent < 0 ? -exponent : exponent;
  for (long k = 0; k < steps && power < 1e4000L; ++k) power *= base;
  return exponent < 0 ? mantissa / power : mantissa * power;
}

}  // namespace

float DecimalToFloat(const std::wstring& text) {
  // As strtof reads it (ASCII only; the first other character ends the
  // number): our own, because strtof brings mingw's big-number conversions
  // (about 20 KB) into the installer. Rounding goes through an 80-bit
  // value: a float may differ from strtof's in its last bit on rare ties.
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  const float sign = negative ? -1.0f : 1.0f;
  if (WordAt(text, i, "inf")) return sign * std::numeric_limits<float>::infinity();
  if (WordAt(text, i, "nan")) return std::numeric_limits<float>::quiet_NaN();

  const bool hex = WordAt(text, i, "0x") &&
                   (HexDigit(i + 2 < text.size() ? text[i + 2] : 0) >= 0 ||
                    (i + 3 < text.size() && text[i + 2] == L'.' && HexDigit(text[i + 3]) >= 0));
  if (hex) i += 2;
  const unsigned radix = hex ? 16 : 10;
  const auto digit = [&](wchar_t c) {
    return hex ? HexDigit(c) : (c >= L'0' && c <= L'9' ? c - L'0' : -1);
  };
  std::uint64_t mantissa = 0;
  long exponent = 0;  // in digits of the radix
  bool any = false, point = false;
  for (; i < text.size(); ++i) {
    if (text[i] == L'.' && !point) {
      point = true;
      continue;
    }
    const int d = digit(text[i]);
    if (d < 0) break;
    any = true;
    if (mantissa < (std::numeric_limits<std::uint64_t>::max() - 15) / radix) {
      mantissa = mantissa * radix + static_cast<unsigned>(d);
      if (point) --exponent;
    } else if (!point) {
      ++exponent;  // a digit beyond what the mantissa holds
    }
  }
  if (!any) throw std::invalid_argument("invalid stof argument");

  long double value;
  if (hex) {
    value = Scale(mantissa, exponent * 4 + ReadExponent(text, i, L'p'), 2.0L);
  } else {
    value = Scale(mantissa, exponent + ReadExponent(text, i, L'e'), 10.0L);
  }
  const float result = static_cast<float>(value);
  const bool overflow = value > std::numeric_limits<float>::max();
  const bool underflow = mantissa != 0 && result < std::numeric_limits<float>::min();
  if (overflow || underflow) throw std::out_of_range("stof argument out of range");
  return sign * result;
}
