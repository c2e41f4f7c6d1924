// The registry layer's exception: a fixed message and the Win32 status code of
// the registry call that failed. It never leaves a rule: every operation the
// rules call turns it into "absent", "false" or "next candidate".
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace win32 {

class RegistryError : public std::exception {
 public:
  RegistryError(std::string message, std::int32_t code)
      : message_(std::move(message)), code_(code) {}

  const char* what() const noexcept override { return message_.c_str(); }
  std::int32_t code() const noexcept { return code_; }

 private:
  std::string message_;
  std::int32_t code_;
};

// The messages, exactly as the layer raises them.
inline constexpr const char* kOpenKeyFailed = "Cannot open registry key: RegOpenKeyEx failed.";
inline constexpr const char* kQueryInfoFailed =
    "RegQueryInfoKey failed while preparing for subkey enumeration.";
inline constexpr const char* kEnumKeyFailed = "Cannot enumerate subkeys: RegEnumKeyEx failed.";
inline constexpr const char* kReadStringFailed = "Cannot read string from registry";
inline constexpr const char* kValueInfoFailed = "Cannot get value info: RegGetValue failed.";
inline constexpr const char* kReadDwordFailed = "Cannot read DWORD from registry.";
inline constexpr const char* kReadQwordFailed = "Cannot read QWORD from registry.";

}  // namespace win32
