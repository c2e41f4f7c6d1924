// One download from the reference server under Wine, timed, with the
// process's peak memory. The run script (bench/download/run) calls it once
// per mode and compares the figures with curl's.
//
//   download_bench.exe installer URL FILE   the installer's WinHTTP client (DownloadWithWinHttp)
//   download_bench.exe wininet URL FILE     the installer's WinINet client (DownloadWithWinInet)
//   download_bench.exe bare URL             a bare WinHTTP read loop into one buffer: the ceiling
//   download_bench.exe bare-write URL FILE  the same loop writing the file in 256 KiB blocks: the
//                                           ceiling of a download to disk
//
// Prints one line: mode=... bytes=N seconds=S peak_working_set=B peak_private=B
#include <windows.h>
#include <psapi.h>
#include <winhttp.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "install/download_manager.h"
#include "install/win32/download_platform_win32.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"
#include "platform/winhttp_session.h"

namespace {

// Counts what a page window would receive, so the progress arithmetic runs as
// in the wizard.
class CountingSink final : public ProgressSink {
 public:
  int messages = 0;
  void Post(std::uint32_t, std::uintptr_t) override { ++messages; }
};

std::shared_ptr<DownloadManager> MakeManager(const std::wstring& folder) {
  namespace w = platform::win32;
  ProductConstants constants;
  constants.wizardName = L"ISV";
  auto settings = std::make_shared<ConfigurationManager>(
      constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                       w::RealClock(), w::RealDialogs()});
  if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
  settings->workFolder = folder;
  settings->downloadFolder = folder;
  return std::make_shared<DownloadManager>(settings, Win32DownloadPlatform());
}

std::uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The platform's own speed: the fewest calls WinHTTP allows. With a file
// handle the bytes go to disk, read straight into one block that is written
// whenever it is full (no copy); without, nothing is kept.
bool BareWinHttp(const std::wstring& url, HANDLE file, std::uint64_t& bytes) {
  const auto* api = platform::win32::WinHttpApi();
  if (!api) return false;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!api->WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  platform::WinHttp& http = platform::win32::RealWinHttp();
  const platform::ScopedHttpHandle session = platform::ScopedHttp(
      http,
      platform::OpenWinHttpSession(
          http, nullptr, platform::ProxyAccessType(platform::win32::RealSystemInfo())));
  const platform::ScopedHttpHandle connection = platform::ScopedHttp(
      http, session ? api->WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0) : nullptr);
  const platform::ScopedHttpHandle scopedRequest = platform::ScopedHttp(
      http, connection ? api->WinHttpOpenRequest(connection.get(), L"GET", object.c_str(),
                                                 nullptr, nullptr, nullptr,
                                                 parts.nScheme == INTERNET_SCHEME_HTTPS
                                                     ? WINHTTP_FLAG_SECURE
                                                     : 0)
                       : nullptr);
  const HINTERNET request = scopedRequest.get();
  bool ok = request && api->WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
            api->WinHttpReceiveResponse(request, nullptr);
  // The same calls as the installer's loop (ask what is there, read at most
  // that), minus its work: no progress, no copy, one buffer.
  const DWORD kBlock = file != INVALID_HANDLE_VALUE ? 256 * 1024 : 64 * 1024;
  std::vector<char> buffer(kBlock);
  DWORD filled = 0;
  DWORD available = 0;
  DWORD read = 0;
  auto flush = [&] {
    DWORD written = 0;
    const bool done = !filled || (WriteFile(file, buffer.data(), filled, &written, nullptr) &&
                                  written == filled);
    filled = 0;
    return done;
  };
  while (ok && (ok = api->WinHttpQueryDataAvailable(request, &available)) && available > 0) {
    const DWORD ask = available < kBlock - filled ? available : kBlock - filled;
    ok = api->WinHttpReadData(request, buffer.data() + filled, ask, &read);
    if (ok && read == 0) break;
    bytes += read;
    if (file == INVALID_HANDLE_VALUE) continue;
    filled += read;
    if (filled == kBlock) ok = flush();
  }
  if (ok && file != INVALID_HANDLE_VALUE) ok = flush();
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: download_bench.exe installer|wininet|bare|bare-write URL [FILE]\n");
    return 2;
  }
  const std::wstring mode = argv[1];
  const std::wstring url = argv[2];
  const std::wstring file = argc > 3 ? argv[3] : L"";

  std::uint64_t bytes = 0;
  bool ok = false;
  std::wstring error;
  const auto start = std::chrono::steady_clock::now();
  if (mode == L"bare") {
    ok = BareWinHttp(url, INVALID_HANDLE_VALUE, bytes);
  } else if (mode == L"bare-write" && !file.empty()) {
    platform::win32::ScopedFile handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle) {
      ok = BareWinHttp(url, handle.get(), bytes);
      ok = handle.Close() && ok;
      if (ok) bytes = FileSize(file);
    }
  } else if ((mode == L"installer" || mode == L"wininet") && !file.empty()) {
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    auto manager = MakeManager(folder);
    CountingSink sink;
    const DownloadResult result = mode == L"installer"
                                      ? manager->DownloadWithWinHttp(url, &sink, file)
                                      : manager->DownloadWithWinInet(url, &sink, file);
    ok = result.ok;
    error = result.errorText;
    bytes = FileSize(file);
  } else {
    std::fprintf(stderr, "unknown mode or missing FILE\n");
    return 2;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  if (!ok) {
    std::fprintf(stderr, "download failed: %ls\n", error.c_str());
    return 1;
  }
  std::printf("mode=%ls bytes=%llu seconds=%.3f peak_working_set=%llu peak_private=%llu\n",
              mode.c_str(), static_cast<unsigned long long>(bytes), seconds,
              static_cast<unsigned long long>(memory.PeakWorkingSetSize),
              static_cast<unsigned long long>(memory.PeakPagefileUsage));
  return 0;
}
