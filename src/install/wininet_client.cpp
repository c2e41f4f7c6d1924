#include <new>

#include "install/download_clients.h"
#include "install/download_target.h"
#include "platform/wininet.h"

namespace {

const wchar_t kWinInetTag[] = L"[WININET] ";
constexpr std::uint32_t kReadSize = 4096;

// Closes one WinINet handle on every way out.
class InternetHandleGuard {
 public:
  InternetHandleGuard(platform::WinInet& inet, platform::InternetHandle handle)
      : inet_(inet), handle_(handle) {}
  ~InternetHandleGuard() {
    if (handle_) inet_.InternetCloseHandle(handle_);
  }
  InternetHandleGuard(const InternetHandleGuard&) = delete;
  InternetHandleGuard& operator=(const InternetHandleGuard&) = delete;
  platform::InternetHandle get() const { return handle_; }

 private:
  platform::WinInet& inet_;
  platform::InternetHandle handle_;
};

[[noreturn]] void FailWithLastError(DownloadPlatform& platform, const std::wstring& what) {
  const std::uint32_t code = platform.winInet.LastError();
  throw DownloadFailure{what + CodeAndText(platform.messages, code)};
}

}  // namespace

DownloadResult FetchFileWithWinInet(DownloadPlatform& platform, const std::wstring& url,
                                    ProgressSink* window, const std::wstring& path) {
  platform::WinInet& inet = platform.winInet;
  DownloadTarget target(platform.streams, platform.messages, window, path);
  try {
    InternetHandleGuard session(
        inet, inet.InternetOpenW(L"", platform::kInternetOpenTypePreconfig, nullptr, nullptr, 0));
    if (!session.get()) FailWithLastError(platform, L"Failed to initialize WinINet:: ");
    InternetHandleGuard request(inet, inet.InternetOpenUrlW(session.get(), url.c_str(), nullptr, 0,
                                                            platform::kInternetFlagReload, 0));
    if (!request.get()) FailWithLastError(platform, L"Failed to open URL:: ");

    std::uint32_t status = 0;
    std::uint32_t size = sizeof status;
    if (!inet.HttpQueryInfoW(request.get(),
                             platform::kHttpQueryStatusCode | platform::kHttpQueryFlagNumber,
                             &status, size, nullptr)) {
      FailWithLastError(platform, L"Failed to query HTTP status code: ");
    }
    if (status != 200) {
      const std::uint32_t code = inet.LastError();
      throw DownloadFailure{L"Server returned status code: HTTP " + std::to_wstring(status) +
                            L" - " + platform.messages.SystemMessageText(code)};
    }

    std::uint32_t length = 0;
    size = sizeof length;
    const bool lengthKnown = inet.HttpQueryInfoW(
        request.get(), platform::kHttpQueryContentLength | platform::kHttpQueryFlagNumber,
        &length, size, nullptr);
    if (!lengthKnown) target.ReportLengthMissing();
    target.Begin(lengthKnown, lengthKnown ? length : 0);

    std::uint8_t buffer[kReadSize];
    std::uint32_t read = 0;
    // A failed read counts as the end of the body; the length check below
    // (when there is a length) tells a short body from a complete one.
    while (inet.InternetReadFile(request.get(), buffer, kReadSize, read) && read > 0) {
      target.Append(buffer, read);
    }
    target.Finish(L"Failed to open downloaded file: ", true);
    return {true, L""};
  } catch (const DownloadFailure& failure) {
    return {false, kWinInetTag + failure.text};
  } catch (const std::bad_alloc&) {
    return {false, std::wstring(kWinInetTag) + L"Out of memory."};
  }
}
