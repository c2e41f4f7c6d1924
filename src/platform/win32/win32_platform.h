// The real Windows implementations of the platform interfaces, one instance
// each for the life of the process.
#pragma once

#include "platform/clock.h"
#include "platform/code_pages.h"
#include "platform/crypto.h"
#include "platform/dialogs.h"
#include "platform/file_stream.h"
#include "platform/file_reader.h"
#include "platform/file_system.h"
#include "platform/locale_info.h"
#include "platform/machine_state.h"
#include "platform/module_resources.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/system_messages.h"
#include "platform/winhttp.h"
#include "platform/wininet.h"
#include "platform/zip_shell.h"

namespace platform::win32 {

FileSystem& RealFileSystem();
SystemInfo& RealSystemInfo();
Registry& RealRegistry();
Clock& RealClock();
Dialogs& RealDialogs();
ModuleResources& RealModuleResources();
LocaleInfo& RealLocaleInfo();
CodePages& RealCodePages();
Crypto& RealCrypto();
FileStreams& RealFileStreams();
SystemMessages& RealSystemMessages();
// WinHTTP and WinINet are loaded from System32 on first use; when a DLL is
// missing every call fails with ERROR_MOD_NOT_FOUND.
WinHttp& RealWinHttp();
WinInet& RealWinInet();
Processes& RealProcesses();
FileReaders& RealFileReaders();
ZipShell& RealZipShell();
MachineState& RealMachineState();

}  // namespace platform::win32
