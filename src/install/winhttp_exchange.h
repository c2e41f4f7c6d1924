// One WinHTTP GET as both WinHTTP download paths (file and memory) perform
// it: session, TLS protocols, connection, request, redirects followed by
// hand, status check, and reading the body chunk by chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system_messages.h"
#include "platform/winhttp.h"

// WinHTTP's own redirect handling is switched off so that redirects are
// counted here; Windows' values (WinHttpSetOption, request handle).
constexpr std::uint32_t kWinHttpOptionDisableFeature = 63;
constexpr std::uint32_t kWinHttpDisableRedirects = 0x2;

// Redirects followed per exchange; one more fails it.
constexpr int kMaxRedirects = 5;
// WinHttpQueryHeaders answers this when the Location does not fit the buffer.
constexpr std::uint32_t kErrorInsufficientBuffer = 122;

struct WinHttpRequestSettings {
  const wchar_t* userAgent = nullptr;    // null: none
  std::uint32_t accessType = 0;          // for OpenWinHttpSession
  std::uint32_t secureProtocols = 0;     // WINHTTP_OPTION_SECURE_PROTOCOLS
  std::uint32_t requestFlags = 0;        // WINHTTP_FLAG_SECURE is added for https
};

class WinHttpExchange {
 public:
  WinHttpExchange(platform::WinHttp& http, platform::SystemMessages& messages);
  ~WinHttpExchange();
  WinHttpExchange(const WinHttpExchange&) = delete;
  WinHttpExchange& operator=(const WinHttpExchange&) = delete;

  // Requests `url` and follows up to kMaxRedirects redirects, counting them
  // in `redirects` (the caller may share one count between exchanges). Each
  // hop gets a fresh session. Returns at a 2xx response; raises
  // DownloadFailure with the failure text otherwise. A missing, overlong or
  // unusable (relative, other scheme) Location ends the exchange: it is
  // never followed.
  void Open(const std::wstring& url, const WinHttpRequestSettings& settings, int& redirects);

  // Content-Length as a 32-bit number; false when it cannot be read.
  bool QueryContentLength(std::uint32_t& length);

  // The next piece of the body, exactly as much as WinHTTP has available,
  // read into a fresh buffer. False (and `chunk` empty) at the end of the
  // body. Raises DownloadFailure when WinHTTP fails.
  bool ReadChunk(std::vector<std::uint8_t>& chunk);

 private:
  [[noreturn]] void Fail(const std::wstring& what);  // what + "%d - %s" of the last error
  void CloseAll();

  platform::WinHttp& http_;
  platform::SystemMessages& messages_;
  platform::HttpHandle session_ = nullptr;
  platform::HttpHandle connection_ = nullptr;
  platform::HttpHandle request_ = nullptr;
};
