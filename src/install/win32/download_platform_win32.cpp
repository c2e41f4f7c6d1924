// Kept apart from the process-wide manager so that tests can have the real
// services without the process-wide settings object.
#include "install/win32/download_manager_win32.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"
#include "platform/win32/wininet_client.h"

DownloadPlatform Win32DownloadPlatform() {
  namespace w = platform::win32;
  return DownloadPlatform{w::WinHttpClient(), w::WinInetClient(), w::Files(),
                          w::Streams(),       w::System(),        w::SystemTexts(),
                          w::MessageBoxes(),  w::SystemClock()};
}
