#include "rules/number_conversion.h"

#include <cerrno>
#include <cstdlib>
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

float DecimalToFloat(const std::wstring& text) {
  // strtof reads ASCII only; the first other character ends the number.
  std::string ascii;
  ascii.reserve(text.size());
  for (const wchar_t c : text) {
    if (static_cast<std::uint32_t>(c) - 1u >= 0x7Fu) break;  // NUL or beyond ASCII
    ascii += static_cast<char>(c);
  }
  char* end = nullptr;
  errno = 0;
  const float value = std::strtof(ascii.c_str(), &end);
  if (end == ascii.c_str()) throw std::invalid_argument("invalid stof argument");
  if (errno == ERANGE) throw std::out_of_range("stof argument out of range");
  return value;
}
