// The real Windows implementations of the platform interfaces, one instance
// each for the life of the process.
#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace platform::win32 {

FileSystem& Files();
SystemInfo& System();
Registry& RegistryAccess();
Clock& SystemClock();
Dialogs& MessageBoxes();

}  // namespace platform::win32
