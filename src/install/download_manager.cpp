#include "install/download_manager.h"

#include <thread>
#include <utility>

#include "install/download_clients.h"

namespace {

// The real steps of the fallback sequence: the manager's own clients,
// target paths, file deletion and waiting.
class ManagerSteps final : public DownloadSteps {
 public:
  ManagerSteps(DownloadManager& manager, DownloadPlatform& platform, ProgressSink* window,
               bool useWorkFolder)
      : manager_(manager), platform_(platform), window_(window), useWorkFolder_(useWorkFolder) {}

  DownloadResult WithWinHttp(const std::wstring& url, const std::wstring& path) override {
    return manager_.DownloadWithWinHttp(url, window_, path);
  }
  DownloadResult WithWinInet(const std::wstring& url, const std::wstring& path) override {
    return manager_.DownloadWithWinInet(url, window_, path);
  }
  std::wstring PathFromUrl(const std::wstring& url) override {
    return manager_.TargetPathFromUrl(url, useWorkFolder_);
  }
  std::wstring PathFromName(const std::wstring& name) override {
    return manager_.TargetPathFromName(name, useWorkFolder_);
  }
  void RemovePartialFile(const std::wstring& path) override {
    if (!path.empty()) platform_.files.RemoveFile(path);
  }
  void Wait(std::uint32_t milliseconds) override { platform_.clock.Wait(milliseconds); }

 private:
  DownloadManager& manager_;
  DownloadPlatform& platform_;
  ProgressSink* window_;
  bool useWorkFolder_;
};

// Calls `callback` with `bytes`, or with an empty buffer for a failed
// download while the wizard is not closing. Nothing escapes.
void Deliver(const DownloadManager& manager, const DownloadManager::MemoryCallback& callback,
             std::unique_ptr<DownloadManager::ByteBuffer> bytes) noexcept {
  try {
    if (!bytes && !manager.stopRequested) bytes = std::make_unique<DownloadManager::ByteBuffer>();
  } catch (...) {
    bytes.reset();
  }
  try {
    if (callback) callback(std::move(bytes));
  } catch (...) {
    // A completion that throws has nobody to tell; it must not end the process.
  }
}

}  // namespace

DownloadManager::DownloadManager(std::shared_ptr<ConfigurationManager> settings,
                                 DownloadPlatform platform)
    : settings_(std::move(settings)), platform_(platform) {}

DownloadResult DownloadManager::Download(const UrlPair& urls, ProgressSink* window,
                                         const std::wstring& fileName, bool useWorkFolder) {
  ManagerSteps steps(*this, platform_, window, useWorkFolder);
  return RunDownloadFallback(urls, fileName, steps);
}

DownloadResult DownloadManager::DownloadWithWinHttp(const std::wstring& url, ProgressSink* window,
                                                    const std::wstring& path) {
  DownloadResult result = FetchFileWithWinHttp(platform_, stopRequested, url, window, path);
  if (result.ok) lastDownloadedFile = path;
  return result;
}

DownloadResult DownloadManager::DownloadWithWinInet(const std::wstring& url, ProgressSink* window,
                                                    const std::wstring& path) {
  DownloadResult result = FetchFileWithWinInet(platform_, url, window, path);
  if (result.ok) lastDownloadedFile = path;
  return result;
}

DownloadManager::ByteBuffer DownloadManager::DownloadToMemory(const std::wstring& url) {
  return FetchToMemory(platform_, stopRequested, url);
}

void DownloadManager::DownloadToMemoryAsync(const std::wstring& url, MemoryCallback callback) {
  std::shared_ptr<DownloadManager> self = shared_from_this();
  try {
    std::thread([self, url, callback] {
      // Nothing may leave a detached thread: that would end the process.
      std::unique_ptr<ByteBuffer> bytes;
      try {
        ByteBuffer buffer = self->DownloadToMemory(url);
        if (!self->stopRequested) bytes = std::make_unique<ByteBuffer>(std::move(buffer));
      } catch (...) {
        bytes.reset();
      }
      Deliver(*self, callback, std::move(bytes));
    }).detach();
  } catch (...) {
    // No thread (or no memory to start one): the caller still gets its answer.
    Deliver(*this, callback, nullptr);
  }
}

std::wstring DownloadManager::SystemErrorText(std::uint32_t code) {
  return platform_.messages.SystemMessageText(code);
}
