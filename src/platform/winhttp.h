// WinHTTP, shaped like its C API so the request sequences (JSON posts, file
// downloads) are written once in portable code and keep Windows' flags,
// option numbers and error codes. platform/win32/winhttp_api.h has the real
// one; tests script their own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error_codes.h"
#include "platform/scoped_resource.h"

namespace platform {

using HttpHandle = void*;  // HINTERNET

// WinHttpOpen access types.
constexpr std::uint32_t kWinHttpAccessTypeDefaultProxy = 0;
constexpr std::uint32_t kWinHttpAccessTypeNoProxy = 1;
constexpr std::uint32_t kWinHttpAccessTypeNamedProxy = 3;
// Windows 8.1 and later only; older WinHTTP rejects it with
// ERROR_INVALID_PARAMETER.
constexpr std::uint32_t kWinHttpAccessTypeAutomaticProxy = 4;

// WinHttpSetOption.
constexpr std::uint32_t kWinHttpOptionSecureProtocols = 84;
constexpr std::uint32_t kWinHttpOptionDisableFeature = 63;
constexpr std::uint32_t kWinHttpDisableRedirects = 0x2;
constexpr std::uint32_t kWinHttpFlagSecureProtocolSsl2 = 0x08;
constexpr std::uint32_t kWinHttpFlagSecureProtocolSsl3 = 0x20;
constexpr std::uint32_t kWinHttpFlagSecureProtocolTls1 = 0x80;
constexpr std::uint32_t kWinHttpFlagSecureProtocolTls1_1 = 0x200;
constexpr std::uint32_t kWinHttpFlagSecureProtocolTls1_2 = 0x800;

// WinHttpOpenRequest flags.
constexpr std::uint32_t kWinHttpFlagRefresh = 0x100;
constexpr std::uint32_t kWinHttpFlagSecure = 0x800000;

// WinHttpAddRequestHeaders modifiers.
constexpr std::uint32_t kWinHttpAddreqFlagAdd = 0x20000000;
constexpr std::uint32_t kWinHttpAddreqFlagReplace = 0x80000000;

// WinHttpQueryHeaders info levels and modifiers.
constexpr std::uint32_t kWinHttpQueryContentLength = 5;
constexpr std::uint32_t kWinHttpQueryStatusCode = 19;
constexpr std::uint32_t kWinHttpQueryLocation = 33;
constexpr std::uint32_t kWinHttpQueryFlagNumber = 0x20000000;

// URL schemes and ports.
constexpr int kInternetSchemeHttp = 1;
constexpr int kInternetSchemeHttps = 2;
constexpr std::uint16_t kInternetDefaultHttpPort = 80;
constexpr std::uint16_t kInternetDefaultHttpsPort = 443;

// Error codes of its own WinHTTP reports through GetLastError (the general
// ones are in error_codes.h).
constexpr std::uint32_t kErrorWinHttpTimeout = 12002;
constexpr std::uint32_t kErrorWinHttpUnrecognizedScheme = 12006;
constexpr std::uint32_t kErrorWinHttpNameNotResolved = 12007;
constexpr std::uint32_t kErrorWinHttpInvalidUrl = 12005;
constexpr std::uint32_t kErrorWinHttpCannotConnect = 12029;
constexpr std::uint32_t kErrorWinHttpConnectionError = 12030;
constexpr std::uint32_t kErrorWinHttpInvalidServerResponse = 12152;
constexpr std::uint32_t kErrorWinHttpSecureFailure = 12175;
constexpr std::uint32_t kErrorWinHttpSecureInvalidCa = 12045;
constexpr std::uint32_t kErrorWinHttpInvalidHeader = 12153;

// What WinHttpCrackUrl finds in a URL when every length is set to -1 (the
// parts are copied out instead of pointing into the URL).
struct UrlComponents {
  std::wstring scheme;
  int schemeNumber = 0;  // kInternetSchemeHttp / kInternetSchemeHttps
  std::wstring hostName;
  std::uint16_t port = 0;  // explicit or the scheme's default
  std::wstring userName;
  std::wstring password;
  std::wstring urlPath;    // "/a/b", without query and fragment
  std::wstring extraInfo;  // "?query#fragment"
};

class WinHttp {
 public:
  virtual ~WinHttp() = default;

  // Null pointers stand for WINHTTP_NO_* arguments, as in the C API.
  virtual HttpHandle WinHttpOpen(const wchar_t* userAgent, std::uint32_t accessType,
                                 const wchar_t* proxyName, const wchar_t* proxyBypass,
                                 std::uint32_t flags) = 0;
  virtual bool WinHttpSetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                                std::uint32_t length) = 0;
  virtual bool WinHttpCrackUrl(const std::wstring& url, std::uint32_t flags,
                               UrlComponents& components) = 0;
  virtual HttpHandle WinHttpConnect(HttpHandle session, const wchar_t* serverName,
                                    std::uint16_t port, std::uint32_t reserved) = 0;
  // acceptTypes: nullptr for WINHTTP_DEFAULT_ACCEPT_TYPES.
  virtual HttpHandle WinHttpOpenRequest(HttpHandle connection, const wchar_t* verb,
                                        const wchar_t* objectName, const wchar_t* version,
                                        const wchar_t* referrer, const wchar_t* const* acceptTypes,
                                        std::uint32_t flags) = 0;
  // length: characters, or 0xFFFFFFFF for a zero-terminated text.
  virtual bool WinHttpAddRequestHeaders(HttpHandle request, const wchar_t* headers,
                                        std::uint32_t length, std::uint32_t modifiers) = 0;
  virtual bool WinHttpSendRequest(HttpHandle request, const wchar_t* headers,
                                  std::uint32_t headersLength, const void* optional,
                                  std::uint32_t optionalLength, std::uint32_t totalLength,
                                  std::uintptr_t context) = 0;
  virtual bool WinHttpReceiveResponse(HttpHandle request, void* reserved) = 0;
  // bufferLength: bytes, in and out. name: nullptr for WINHTTP_HEADER_NAME_BY_INDEX;
  // index: nullptr for WINHTTP_NO_HEADER_INDEX.
  virtual bool WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel,
                                   const wchar_t* name, void* buffer, std::uint32_t& bufferLength,
                                   std::uint32_t* index) = 0;
  virtual bool WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available) = 0;
  virtual bool WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t toRead,
                               std::uint32_t& read) = 0;
  virtual bool WinHttpCloseHandle(HttpHandle handle) = 0;
  // GetLastError right after a failed call above.
  virtual std::uint32_t LastError() = 0;
};

// Closes a WinHTTP handle through the interface that opened it.
struct HttpHandleTraits {
  using Handle = HttpHandle;
  WinHttp* http = nullptr;
  static Handle Invalid() { return nullptr; }
  bool Free(Handle handle) const { return http->WinHttpCloseHandle(handle); }
};
using ScopedHttpHandle = ScopedResource<HttpHandleTraits>;
inline ScopedHttpHandle ScopedHttp(WinHttp& http, HttpHandle handle) {
  return ScopedHttpHandle(handle, HttpHandleTraits{&http});
}

}  // namespace platform
