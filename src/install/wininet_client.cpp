#include <algorithm>
#include <new>
#include <vector>

#include "config/decimal_text.h"
#include "install/download_clients.h"
#include "install/download_target.h"
#include "install/redirect_location.h"
#include "install/winhttp_exchange.h"
#include "platform/wininet.h"

namespace {

const wchar_t kWinInetTag[] = L"[WININET] ";
// Large reads: at 4 KiB per call the per-call cost of WinINet made this
// client about half as fast as the WinHTTP one. One buffer serves the whole
// transfer (on the heap: the download runs on a worker thread).
constexpr std::uint32_t kReadSize = 64 * 1024;
// Longer locations than WinHTTP's 260 characters are followed here: WinINet
// following on its own had no such limit either.
constexpr std::size_t kLocationCharacters = 2048;

[[noreturn]] void FailWithLastError(DownloadPlatform& platform, const std::wstring& what) {
  const std::uint32_t code = platform.winInet.LastError();
  throw DownloadFailure{what + CodeAndText(platform.messages, code)};
}

// The Location of a redirect answer; raises DownloadFailure when there is
// none or it does not fit.
std::wstring QueryLocation(platform::WinInet& inet, platform::InternetHandle request) {
  std::vector<wchar_t> location(kLocationCharacters, L'\0');
  std::uint32_t bytes = static_cast<std::uint32_t>(location.size() * sizeof(wchar_t));
  if (!inet.HttpQueryInfoW(request, platform::kHttpQueryLocation, location.data(), bytes,
                           nullptr)) {
    throw DownloadFailure{inet.LastError() == platform::kErrorInsufficientBuffer
                              ? L"Redirect location is too long."
                              : L"Redirect without a Location header."};
  }
  return std::wstring(location.data(), std::min<std::size_t>(bytes / sizeof(wchar_t),
                                                             location.size()));
}

}  // namespace

DownloadResult FetchFileWithWinInet(DownloadPlatform& platform, const std::wstring& url,
                                    ProgressSink* window, const std::wstring& path) {
  platform::WinInet& inet = platform.winInet;
  DownloadTarget target(platform.streams, platform.messages, window, path);
  try {
    // WinINet has no per-process choice of TLS versions (unlike WinHTTP's
    // secure-protocols option): it uses what the user's Internet Options and
    // Schannel allow, and changing those would reach beyond this process.
    const auto session = platform::ScopedInternet(
        inet, inet.InternetOpenW(L"", platform::kInternetOpenTypePreconfig, nullptr, nullptr, 0));
    if (!session.get()) FailWithLastError(platform, L"Failed to initialize WinINet:: ");
    // Left to itself WinINet follows redirects up to its own limit, and
    // whether it stops at one from HTTPS to plain HTTP depends on the
    // Windows version and settings; so it is told not to follow any, and
    // each hop is checked here under the WinHTTP client's rules.
    auto request = platform::ScopedInternet(inet, nullptr);
    std::wstring current = url;
    bool httpsReached = false;
    int redirects = 0;
    std::uint32_t status = 0;
    std::uint32_t size = 0;
    for (;;) {
      httpsReached = httpsReached || UrlScheme(current) == L"https";
      request.reset(inet.InternetOpenUrlW(
          session.get(), current.c_str(), nullptr, 0,
          platform::kInternetFlagReload | platform::kInternetFlagNoAutoRedirect, 0));
      if (!request.get()) FailWithLastError(platform, L"Failed to open URL:: ");

      status = 0;
      size = sizeof status;
      if (!inet.HttpQueryInfoW(request.get(),
                               platform::kHttpQueryStatusCode | platform::kHttpQueryFlagNumber,
                               &status, size, nullptr)) {
        FailWithLastError(platform, L"Failed to query HTTP status code: ");
      }
      if (status < 300 || status > 399) break;
      if (++redirects > kMaxRedirects) throw DownloadFailure{L"Too many redirects."};
      const RedirectHop hop =
          NextRedirectHop(current, QueryLocation(inet, request.get()), httpsReached);
      if (!hop.failure.empty()) throw DownloadFailure{hop.failure};
      current = hop.url;
    }
    if (status != 200) {
      const std::uint32_t code = inet.LastError();
      throw DownloadFailure{L"Server returned status code: HTTP " + ToDecimal(status) +
                            L" - " + platform.messages.SystemMessageText(code)};
    }

    std::uint32_t length = 0;
    size = sizeof length;
    const bool lengthKnown = inet.HttpQueryInfoW(
        request.get(), platform::kHttpQueryContentLength | platform::kHttpQueryFlagNumber,
        &length, size, nullptr);
    if (!lengthKnown) target.ReportLengthMissing();
    target.Begin(lengthKnown, lengthKnown ? length : 0);

    std::vector<std::uint8_t> buffer(kReadSize);
    std::uint32_t read = 0;
    // A failed read counts as the end of the body; the length check below
    // (when there is a length) tells a short body from a complete one.
    while (inet.InternetReadFile(request.get(), buffer.data(), kReadSize, read) && read > 0) {
      target.Append(buffer.data(), read);
    }
    target.Finish(L"Failed to open downloaded file: ", true);
    return {true, L""};
  } catch (const DownloadFailure& failure) {
    return {false, kWinInetTag + failure.text};
  } catch (const std::bad_alloc&) {
    return {false, std::wstring(kWinInetTag) + L"Out of memory."};
  }
}
