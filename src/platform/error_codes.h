// The general Win32 error codes (winerror.h) the platform interfaces report,
// in one place; the Win32 implementations check each against <windows.h>.
// The registry's are LSTATUS-typed (long) as its calls return them; the rest
// are GetLastError values.
#pragma once

#include <cstdint>

namespace platform {

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorCallNotImplemented = 120;
constexpr long kErrorBadPathname = 161;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;
constexpr long kErrorUnsupportedType = 1630;

constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidParameter = 87;
// A header or text did not fit the buffer given (the Location of a redirect).
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;

}  // namespace platform
