#include "config/decimal_text.h"

std::wstring UnsignedToDecimal(std::uint64_t value) {
  wchar_t digits[20];  // 18446744073709551615
  wchar_t* first = digits + 20;
  do {
    *--first = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(first, digits + 20);
}

std::wstring SignedToDecimal(std::int64_t value) {
  if (value >= 0) return UnsignedToDecimal(static_cast<std::uint64_t>(value));
  // Negated in the unsigned type, so the smallest value has its magnitude too.
  return L"-" + UnsignedToDecimal(0 - static_cast<std::uint64_t>(value));
}
