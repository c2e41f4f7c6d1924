// Decimal text to unsigned numbers with the standard library's stoul/stoull
// contract as Windows builds have it (unsigned long is 32 bits there), so the
// same text gives the same number, or the same exception, on every build.
//
// Leading white space is skipped, one "+" or "-" is accepted ("-n" wraps
// around as in strtoul), conversion stops at the first non-digit. No digit:
// std::invalid_argument("invalid stoul argument"); too large:
// std::out_of_range("stoul argument out of range"). The 64-bit variant says
// "stoull" instead.
#pragma once

#include <cstdint>
#include <string>

std::uint32_t DecimalToULong(const std::wstring& text);
std::uint64_t DecimalToULongLong(const std::wstring& text);

// Text to a single-precision number as std::stof does it: leading white
// space skipped, the longest leading number read ("9.11.19041.0" gives
// 9.11), the rest ignored. No number: std::invalid_argument("invalid stof
// argument"); out of the float range: std::out_of_range("stof argument out of
// range").
float DecimalToFloat(const std::wstring& text);
