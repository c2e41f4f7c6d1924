// WinINet, shaped like its C API so the fallback download client is written
// once in portable code and keeps Windows' flags and error codes.
// platform/win32/wininet_api.h has the real one; tests script their own.
#pragma once

#include <cstdint>

#include "platform/scoped_resource.h"

namespace platform {

using InternetHandle = void*;  // HINTERNET

// InternetOpenW access type.
constexpr std::uint32_t kInternetOpenTypePreconfig = 0;

// InternetOpenUrlW flags.
constexpr std::uint32_t kInternetFlagReload = 0x80000000;
// Redirects are then answered with their 3xx status instead of being followed.
constexpr std::uint32_t kInternetFlagNoAutoRedirect = 0x00200000;

// HttpQueryInfoW info levels and modifiers.
constexpr std::uint32_t kHttpQueryContentLength = 5;
constexpr std::uint32_t kHttpQueryStatusCode = 19;
constexpr std::uint32_t kHttpQueryLocation = 33;
constexpr std::uint32_t kHttpQueryFlagNumber = 0x20000000;

class WinInet {
 public:
  virtual ~WinInet() = default;

  // Null pointers stand for absent arguments, as in the C API.
  virtual InternetHandle InternetOpenW(const wchar_t* agent, std::uint32_t accessType,
                                       const wchar_t* proxy, const wchar_t* proxyBypass,
                                       std::uint32_t flags) = 0;
  // headersLength: characters, or 0xFFFFFFFF for a zero-terminated text.
  virtual InternetHandle InternetOpenUrlW(InternetHandle session, const wchar_t* url,
                                          const wchar_t* headers, std::uint32_t headersLength,
                                          std::uint32_t flags, std::uintptr_t context) = 0;
  // bufferLength: bytes, in and out; index: nullptr for none.
  virtual bool HttpQueryInfoW(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                              std::uint32_t& bufferLength, std::uint32_t* index) = 0;
  virtual bool InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                                std::uint32_t& read) = 0;
  virtual bool InternetCloseHandle(InternetHandle handle) = 0;
  // GetLastError as it stands right now (also after successful calls).
  virtual std::uint32_t LastError() = 0;
};

// Closes a WinINet handle through the interface that opened it.
struct InternetHandleTraits {
  using Handle = InternetHandle;
  WinInet* inet = nullptr;
  static Handle Invalid() { return nullptr; }
  bool Free(Handle handle) const { return inet->InternetCloseHandle(handle); }
};
using ScopedInternetHandle = ScopedResource<InternetHandleTraits>;
inline ScopedInternetHandle ScopedInternet(WinInet& inet, InternetHandle handle) {
  return ScopedInternetHandle(handle, InternetHandleTraits{&inet});
}

}  // namespace platform
