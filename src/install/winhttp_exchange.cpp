#include "install/winhttp_exchange.h"

#include <algorithm>
#include <new>

#include "config/decimal_text.h"
#include "install/download_target.h"
#include "install/redirect_location.h"
#include "platform/winhttp_session.h"

namespace {

// Usable as a request target: WinHTTP can split it, it is http or https and
// names a host.
bool CrackUsableUrl(platform::WinHttp& http, const std::wstring& url,
                    platform::UrlComponents& parts) {
  if (!http.WinHttpCrackUrl(url, 0, parts)) return false;
  const bool httpScheme = parts.schemeNumber == platform::kInternetSchemeHttp ||
                          parts.schemeNumber == platform::kInternetSchemeHttps;
  return httpScheme && !parts.hostName.empty();
}

}  // namespace

WinHttpExchange::WinHttpExchange(platform::WinHttp& http, platform::SystemMessages& messages)
    : http_(http),
      messages_(messages),
      session_(nullptr, {&http}),
      connection_(nullptr, {&http}),
      request_(nullptr, {&http}) {}

WinHttpExchange::~WinHttpExchange() { CloseAll(); }

void WinHttpExchange::CloseAll() {
  request_.reset();
  connection_.reset();
  session_.reset();
}

void WinHttpExchange::Fail(const std::wstring& what) {
  const std::uint32_t code = http_.LastError();
  throw DownloadFailure{what + CodeAndText(messages_, code)};
}

void WinHttpExchange::Open(const std::wstring& url, const WinHttpRequestSettings& settings,
                           int& redirects) {
  std::wstring current = url;
  bool redirected = false;
  bool httpsReached = false;
  for (;;) {
    CloseAll();
    session_.reset(platform::OpenWinHttpSession(http_, settings.userAgent, settings.accessType));
    if (!session_) Fail(L"Failed to open HTTP session: ");
    const std::uint32_t protocols = settings.secureProtocols;
    if (!http_.WinHttpSetOption(session_.get(), platform::kWinHttpOptionSecureProtocols, &protocols,
                                sizeof protocols)) {
      Fail(L"Failed to set secure protocols: ");
    }

    platform::UrlComponents parts;
    if (!CrackUsableUrl(http_, current, parts)) {
      throw DownloadFailure{(redirected ? L"Invalid redirect location: " : L"Invalid URL: ") +
                            current};
    }
    const std::wstring object = parts.urlPath + parts.extraInfo;
    httpsReached = httpsReached || parts.schemeNumber == platform::kInternetSchemeHttps;

    connection_.reset(http_.WinHttpConnect(session_.get(), parts.hostName.c_str(), parts.port, 0));
    if (!connection_) Fail(L"Failed to connect: ");

    std::uint32_t flags = settings.requestFlags;
    if (parts.schemeNumber == platform::kInternetSchemeHttps) flags |= platform::kWinHttpFlagSecure;
    request_.reset(http_.WinHttpOpenRequest(connection_.get(), L"GET", object.c_str(), nullptr,
                                            nullptr, nullptr, flags));
    if (!request_) Fail(L"Failed to open request: ");
    // Without this WinHTTP would follow up to ten redirects on its own and
    // the limit below would never apply. Should a WinHTTP refuse it, it
    // still downloads; only the limit is then its own.
    const std::uint32_t disable = platform::kWinHttpDisableRedirects;
    http_.WinHttpSetOption(request_.get(), platform::kWinHttpOptionDisableFeature, &disable,
                           sizeof disable);

    if (!http_.WinHttpSendRequest(request_.get(), nullptr, 0, nullptr, 0, 0, 0)) {
      Fail(L"Failed to send request: ");
    }
    if (!http_.WinHttpReceiveResponse(request_.get(), nullptr)) Fail(L"Failed to receive response: ");

    std::uint32_t status = 0;
    std::uint32_t size = sizeof status;
    if (!http_.WinHttpQueryHeaders(request_.get(),
                                   platform::kWinHttpQueryStatusCode |
                                       platform::kWinHttpQueryFlagNumber,
                                   nullptr, &status, size, nullptr)) {
      status = 0;
    }

    if (status >= 300 && status <= 399) {
      if (++redirects > kMaxRedirects) throw DownloadFailure{L"Too many redirects."};
      wchar_t location[260] = {};
      std::uint32_t bytes = sizeof location;
      if (!http_.WinHttpQueryHeaders(request_.get(), platform::kWinHttpQueryLocation, nullptr, location,
                                     bytes, nullptr)) {
        throw DownloadFailure{http_.LastError() == platform::kErrorInsufficientBuffer
                                  ? L"Redirect location is too long."
                                  : L"Redirect without a Location header."};
      }
      const RedirectHop hop = NextRedirectHop(
          current, std::wstring(location, bytes / sizeof(wchar_t)), httpsReached);
      if (!hop.failure.empty()) throw DownloadFailure{hop.failure};
      current = hop.url;
      redirected = true;
      continue;
    }
    if (status < 200 || status > 299) {
      throw DownloadFailure{L"Download failed: Server returned status code: " +
                            ToDecimal(status)};
    }
    return;
  }
}

bool WinHttpExchange::QueryContentLength(std::uint32_t& length) {
  std::uint32_t value = 0;
  std::uint32_t size = sizeof value;
  if (!http_.WinHttpQueryHeaders(request_.get(),
                                 platform::kWinHttpQueryContentLength |
                                     platform::kWinHttpQueryFlagNumber,
                                 nullptr, &value, size, nullptr)) {
    return false;
  }
  length = value;
  return true;
}

bool WinHttpExchange::ReadChunk(const std::uint8_t*& data, std::uint32_t& size) {
  data = nullptr;
  size = 0;
  std::uint32_t available = 0;
  if (!http_.WinHttpQueryDataAvailable(request_.get(), available)) Fail(L"Failed to query data: ");
  if (available == 0) return false;
  if (block_.empty()) {
    try {
      block_.resize(kWinHttpReadBlock);
    } catch (const std::bad_alloc&) {
      throw DownloadFailure{L"Out of memory."};
    }
  }
  std::uint32_t read = 0;
  if (!http_.WinHttpReadData(request_.get(), block_.data(), std::min(available, kWinHttpReadBlock),
                             read)) {
    Fail(L"Failed to read data: ");
  }
  // A successful read of nothing is WinHTTP's end of the body.
  if (read == 0) return false;
  data = block_.data();
  size = read;
  return true;
}
