// One WinHTTP GET as both WinHTTP download paths (file and memory) perform
// it: session, TLS protocols, connection, request, redirects followed by
// hand, status check, and reading the body block by block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/system_messages.h"
#include "platform/winhttp.h"

// WinHTTP's own redirect handling is switched off so that redirects are
// counted here; Windows' values (WinHttpSetOption, request handle).

// Redirects followed per exchange; one more fails it.
constexpr int kMaxRedirects = 5;
// The most one WinHttpReadData asks for. What WinHTTP reports as available
// is not trusted as an allocation size: one buffer of this size serves the
// whole transfer.
constexpr std::uint32_t kWinHttpReadBlock = 64 * 1024;

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
  // hop gets a fresh session. A relative Location is resolved against the
  // URL of its hop. Returns at a 2xx response; raises DownloadFailure with
  // the failure text otherwise. A missing, overlong or unusable (other
  // scheme, no host) Location ends the exchange, and so does a redirect to
  // plain HTTP once the chain has been on HTTPS.
  void Open(const std::wstring& url, const WinHttpRequestSettings& settings, int& redirects);

  // Content-Length as a 32-bit number; false when it cannot be read.
  bool QueryContentLength(std::uint32_t& length);

  // The next piece of the body: what WinHTTP has available, at most
  // kWinHttpReadBlock bytes, in a buffer the exchange keeps for the whole
  // transfer (`data` stays valid until the next call). False (and `size` 0)
  // at the end of the body, also when a read returns nothing. Raises DownloadFailure when WinHTTP fails.
  bool ReadChunk(const std::uint8_t*& data, std::uint32_t& size);

 private:
  [[noreturn]] void Fail(const std::wstring& what);  // what + "%d - %s" of the last error
  void CloseAll();

  platform::WinHttp& http_;
  platform::SystemMessages& messages_;
  // Declared in opening order, so they close the other way round.
  platform::ScopedHttpHandle session_;
  platform::ScopedHttpHandle connection_;
  platform::ScopedHttpHandle request_;
  std::vector<std::uint8_t> block_;  // allocated at the first read
};
