#include "app/win32/singletons.h"

#include <mutex>

#include "install/win32/download_platform_win32.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"

std::shared_ptr<ConfigurationManager> GetConfigurationManager() {
  static std::once_flag once;
  static std::shared_ptr<ConfigurationManager> instance;
  std::call_once(once, [] {
    namespace w = platform::win32;
    instance = std::make_shared<ConfigurationManager>(
        BuiltInProductConstants(),
        ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                              w::RealClock(), w::RealDialogs()});
  });
  return instance;
}

std::shared_ptr<ApiManager> GetApiManager() {
  static std::once_flag once;
  static std::shared_ptr<ApiManager> instance;
  std::call_once(once, [] {
    namespace w = platform::win32;
    instance = std::make_shared<ApiManager>(
        [] { return GetConfigurationManager(); },
        ApiPlatform{GetJsonSender(), w::RealSystemInfo(), w::RealCodePages(), w::RealClock()});
  });
  return instance;
}

std::shared_ptr<DownloadManager> GetDownloadManager() {
  static std::once_flag once;
  static std::shared_ptr<DownloadManager> instance;
  std::call_once(once, [] {
    instance = std::make_shared<DownloadManager>(GetConfigurationManager(),
                                                 Win32DownloadPlatform());
  });
  return instance;
}

JsonSender& GetJsonSender() {
  static HttpJsonClient client(platform::win32::RealWinHttp(), platform::win32::RealSystemInfo());
  return client;
}
