#include "app/win32/singletons.h"

#include <mutex>

#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"

std::shared_ptr<ConfigurationManager> GetConfigurationManager() {
  static std::once_flag once;
  static std::shared_ptr<ConfigurationManager> instance;
  std::call_once(once, [] {
    namespace w = platform::win32;
    instance = std::make_shared<ConfigurationManager>(
        BuiltInProductConstants(),
        ConfigurationPlatform{w::Files(), w::System(), w::RegistryAccess(), w::SystemClock(),
                              w::MessageBoxes()});
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
        ApiPlatform{GetJsonSender(), w::System(), w::TextCodePages(), w::SystemClock()});
  });
  return instance;
}

JsonSender& GetJsonSender() {
  static HttpJsonClient client(platform::win32::WinHttpClient(), platform::win32::System());
  return client;
}
