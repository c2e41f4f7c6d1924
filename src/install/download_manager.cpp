#include "install/download_manager.h"

#include <exception>
#include <system_error>
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
  auto deliver = [](DownloadManager& manager, const std::wstring& target,
                    const MemoryCallback& done) {
    std::unique_ptr<ByteBuffer> bytes;
    try {
      ByteBuffer buffer = manager.DownloadToMemory(target);
      if (!manager.stopRequested) bytes = std::make_unique<ByteBuffer>(std::move(buffer));
    } catch (const std::exception&) {
      if (!manager.stopRequested) bytes = std::make_unique<ByteBuffer>();
    }
    if (done) done(std::move(bytes));
  };
  std::shared_ptr<DownloadManager> self = shared_from_this();
  try {
    std::thread([self, url, callback, deliver] { deliver(*self, url, callback); }).detach();
  } catch (const std::system_error&) {
    if (callback) callback(stopRequested ? nullptr : std::make_unique<ByteBuffer>());
  }
}

std::wstring DownloadManager::SystemErrorText(std::uint32_t code) {
  return platform_.messages.SystemMessageText(code);
}
