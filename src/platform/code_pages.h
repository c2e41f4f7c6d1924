// Conversions between UTF-16 and 8-bit code pages, as WideCharToMultiByte and
// MultiByteToWideChar do them (flags 0, no default character), so portable
// code keeps Windows' choice of code page: the thread's ANSI code page, the
// system's, or UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

constexpr std::uint32_t kCpAcp = 0;        // CP_ACP: the system ANSI code page
constexpr std::uint32_t kCpThreadAcp = 3;  // CP_THREAD_ACP: the calling thread's ANSI code page
constexpr std::uint32_t kCpUtf8 = 65001;   // CP_UTF8

class CodePages {
 public:
  virtual ~CodePages() = default;
  // WideCharToMultiByte(codePage, 0, ...): false when the call fails (empty
  // input converts to empty output and succeeds).
  virtual bool FromWide(std::uint32_t codePage, const std::wstring& text, std::string& out) = 0;
  // MultiByteToWideChar(codePage, 0, ...), likewise.
  virtual bool ToWide(std::uint32_t codePage, const std::string& text, std::wstring& out) = 0;
};

}  // namespace platform
