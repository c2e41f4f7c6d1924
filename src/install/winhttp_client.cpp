#include <new>

#include "install/download_clients.h"
#include "install/download_target.h"
#include "install/winhttp_exchange.h"
#include "platform/winhttp_session.h"

namespace {

const wchar_t kWinHttpTag[] = L"[WINHTTP] ";
// Picture and small-resource downloads identify themselves like this.
const wchar_t kMemoryUserAgent[] = L"A WinHTTP Example Program/1.0";
constexpr int kMemoryAttempts = 2;

}  // namespace

DownloadResult FetchFileWithWinHttp(DownloadPlatform& platform, const std::atomic<bool>& stop,
                                    const std::wstring& url, ProgressSink* window,
                                    const std::wstring& path) {
  DownloadTarget target(platform.streams, platform.messages, window, path);
  try {
    WinHttpExchange exchange(platform.winHttp, platform.messages);
    WinHttpRequestSettings settings;
    settings.accessType = platform::ProxyAccessType(platform.system);
    settings.secureProtocols = platform::SecureProtocolFlags(platform.system);
    int redirects = 0;
    exchange.Open(url, settings, redirects);

    std::uint32_t length = 0;
    const bool lengthKnown = exchange.QueryContentLength(length);
    if (!lengthKnown) target.ReportLengthMissing();
    target.Begin(lengthKnown, length);

    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    for (;;) {
      if (stop) throw DownloadFailure{L"Download cancelled."};
      if (!exchange.ReadChunk(data, size)) break;
      target.Append(data, size);
    }
    target.Finish(L"Failed to open downloaded file.", false);
    return {true, L""};
  } catch (const DownloadFailure& failure) {
    return {false, kWinHttpTag + failure.text};
  } catch (const std::bad_alloc&) {
    return {false, std::wstring(kWinHttpTag) + L"Out of memory."};
  }
}

std::vector<std::uint8_t> FetchToMemory(DownloadPlatform& platform,
                                        const std::atomic<bool>& stop, const std::wstring& url) {
  std::vector<std::uint8_t> buffer;
  int redirects = 0;  // one count for both attempts
  for (int attempt = 0; attempt < kMemoryAttempts; ++attempt) {
    try {
      WinHttpExchange exchange(platform.winHttp, platform.messages);
      WinHttpRequestSettings settings;
      settings.userAgent = kMemoryUserAgent;
      settings.accessType = platform::kWinHttpAccessTypeDefaultProxy;
      settings.secureProtocols = platform::SecureProtocolFlags(platform.system);
      settings.requestFlags = platform::kWinHttpFlagRefresh;
      exchange.Open(url, settings, redirects);
      std::uint32_t announced = 0;
      if (exchange.QueryContentLength(announced) && announced > kMaxMemoryDownload) {
        return std::vector<std::uint8_t>();
      }
      const std::uint8_t* data = nullptr;
      std::uint32_t size = 0;
      for (;;) {
        if (stop) throw DownloadFailure{L"Download cancelled."};
        if (!exchange.ReadChunk(data, size)) break;
        // Too big for a picture: given up at once, the next attempt would
        // only fetch the same again.
        if (size > kMaxMemoryDownload - buffer.size()) return std::vector<std::uint8_t>();
        buffer.insert(buffer.end(), data, data + size);
      }
      return buffer;
    } catch (const DownloadFailure&) {
      // The caller only ever sees the bytes; why an attempt failed is dropped.
      buffer.clear();
    } catch (const std::bad_alloc&) {
      buffer = std::vector<std::uint8_t>();
    }
  }
  return buffer;
}
