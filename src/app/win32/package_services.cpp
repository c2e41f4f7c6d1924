#include "app/win32/package_services.h"

#include <mutex>

#include "app/win32/singletons.h"
#include "platform/win32/win32_platform.h"
#include "ui/image_control.h"

std::shared_ptr<const PackageServices> GetPackageServices() {
  static std::once_flag once;
  static std::shared_ptr<const PackageServices> instance;
  std::call_once(once, [] {
    namespace w = platform::win32;
    instance = std::make_shared<const PackageServices>(
        PackageServices{*GetConfigurationManager(), w::RealSystemInfo(), w::RealCodePages(),
                        w::RealCrypto(), w::RealClock(), w::RealRegistry(), GetJsonSender(),
                        [](std::uint32_t milliseconds) { w::RealClock().Wait(milliseconds); },
                        GetDownloadManager().get(), &DecodePicture});
  });
  return instance;
}
