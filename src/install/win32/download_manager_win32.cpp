#include "install/win32/download_manager_win32.h"

#include <mutex>

#include "app/win32/singletons.h"

std::shared_ptr<DownloadManager> GetDownloadManager() {
  static std::once_flag once;
  static std::shared_ptr<DownloadManager> instance;
  std::call_once(once, [] {
    instance = std::make_shared<DownloadManager>(GetConfigurationManager(),
                                                 Win32DownloadPlatform());
  });
  return instance;
}
