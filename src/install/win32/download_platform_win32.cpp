#include "install/win32/download_platform_win32.h"
#include "platform/win32/win32_platform.h"

DownloadPlatform Win32DownloadPlatform() {
  namespace w = platform::win32;
  return DownloadPlatform{w::RealWinHttp(),     w::RealWinInet(),    w::RealFileSystem(),
                          w::RealFileStreams(), w::RealSystemInfo(), w::RealSystemMessages(),
                          w::RealDialogs(),     w::RealClock()};
}
