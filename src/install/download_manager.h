// Fetches installer files to disk (with progress, a completeness check and a
// fixed fallback over two clients and two URLs) and small resources into
// memory. One per process (app/win32/singletons.h); tests
// build their own with fakes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/download_fallback.h"
#include "install/download_platform.h"
#include "install/download_progress.h"
#include "install/download_result.h"

class ConfigurationManager;

class DownloadManager : public std::enable_shared_from_this<DownloadManager> {
 public:
  using ByteBuffer = std::vector<std::uint8_t>;
  // Receives the bytes (an empty buffer when both attempts failed), or null
  // when the wizard is closing.
  using MemoryCallback = std::function<void(std::unique_ptr<ByteBuffer>)>;

  // Target folders come from `settings` (workFolder, downloadFolder).
  DownloadManager(std::shared_ptr<ConfigurationManager> settings, DownloadPlatform platform);
  DownloadManager(const DownloadManager&) = delete;
  DownloadManager& operator=(const DownloadManager&) = delete;

  // Set once by the user-interface thread when the wizard closes; never
  // reset. WinHTTP transfers end at their next chunk, in-memory downloads
  // deliver nothing.
  std::atomic<bool> stopRequested{false};
  // The file most recently downloaded successfully. Written by the
  // downloading task before its future becomes ready; read after it.
  std::wstring lastDownloadedFile;

  // Downloads urls.first (then urls.second, when not empty) into the work
  // folder (`useWorkFolder`) or the download folder, under `fileName` or,
  // when that is empty, the name in the URL. Blocks; run it on a worker
  // task. Progress goes to `window` (may be null), which must outlive the
  // call; the Win32 side passes a WindowProgressSink for the page window.
  DownloadResult Download(const UrlPair& urls, ProgressSink* window, const std::wstring& fileName,
                          bool useWorkFolder);
  DownloadResult DownloadWithWinHttp(const std::wstring& url, ProgressSink* window,
                                     const std::wstring& path);
  DownloadResult DownloadWithWinInet(const std::wstring& url, ProgressSink* window,
                                     const std::wstring& path);

  // Blocks; the body or an empty buffer, never an error.
  ByteBuffer DownloadToMemory(const std::wstring& url);
  // Runs DownloadToMemory on a detached thread and calls `callback` on that
  // thread. The manager must be owned by a shared_ptr (it is kept alive by
  // the thread). Should no thread be available the callback runs on the
  // caller's thread with an empty buffer, so a caller counting completions
  // is never left waiting. A download that throws ends as a failed one (an
  // empty buffer); an exception from the callback is swallowed. The
  // callback may run after its requester is gone: it holds shared state
  // (platform/post_target.h), never a page or window.
  void DownloadToMemoryAsync(const std::wstring& url, MemoryCallback callback);

  // The target folder joined with the URL's or the given file name (made
  // safe for Windows, see install/target_path.h). An invalid folder shows
  // "Invalid path" and gives an empty path, as does a result that does not
  // fit MAX_PATH.
  std::wstring TargetPathFromUrl(const std::wstring& url, bool useWorkFolder);
  std::wstring TargetPathFromName(const std::wstring& name, bool useWorkFolder);

  // The system's text for an error code, trailing line break included;
  // empty when there is none.
  std::wstring SystemErrorText(std::uint32_t code);

 private:
  std::wstring TargetPath(const std::wstring& name, bool useWorkFolder);

  std::shared_ptr<ConfigurationManager> settings_;
  DownloadPlatform platform_;
};
