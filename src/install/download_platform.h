// The Windows services a DownloadManager works through. The process-wide
// manager gets the real ones (install/win32/download_platform_win32.h);
// tests pass fakes.
#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/system_info.h"
#include "platform/system_messages.h"

// Only the clients' own files need the network interfaces in full.
namespace platform {
class WinHttp;
class WinInet;
}  // namespace platform

struct DownloadPlatform {
  platform::WinHttp& winHttp;
  platform::WinInet& winInet;
  platform::FileSystem& files;  // folder check, deleting partial files
  platform::FileStreams& streams;
  platform::SystemInfo& system;  // version tests for proxy and TLS settings
  platform::SystemMessages& messages;
  platform::Dialogs& dialogs;
  platform::Clock& clock;  // pauses between attempts
};
