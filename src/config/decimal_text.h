// Integers to decimal text, what std::to_wstring gives. Ours because the
// library's goes through vswprintf, which brings mingw's whole wide printf
// into the installer.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

std::wstring UnsignedToDecimal(std::uint64_t value);
std::wstring SignedToDecimal(std::int64_t value);

template <typename Integer>
std::wstring ToDecimal(Integer value) {
  static_assert(std::is_integral_v<Integer> && !std::is_same_v<Integer, bool>);
  if constexpr (std::is_signed_v<Integer>) {
    return SignedToDecimal(value);
  } else {
    return UnsignedToDecimal(value);
  }
}
