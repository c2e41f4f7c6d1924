// The real Windows implementations of the platform interfaces, one instance
// each for the life of the process.
#pragma once

#include "platform/clock.h"
#include "platform/code_pages.h"
#include "platform/crypto.h"
#include "platform/dialogs.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/locale_info.h"
#include "platform/module_resources.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/system_messages.h"

namespace platform::win32 {

FileSystem& Files();
SystemInfo& System();
Registry& RegistryAccess();
Clock& SystemClock();
Dialogs& MessageBoxes();
ModuleResources& OwnResources();
LocaleInfo& Locales();
CodePages& TextCodePages();
Crypto& CryptoApi();
FileStreams& Streams();
SystemMessages& SystemTexts();

}  // namespace platform::win32
