// The real Windows services behind the launcher and the installed-files
// helpers, one instance each for the life of the process.
#pragma once

#include "platform/file_reader.h"
#include "platform/processes.h"
#include "platform/zip_shell.h"

namespace platform::win32 {

Processes& ProcessApi();
FileReaders& Readers();
ZipShell& ShellZip();

}  // namespace platform::win32
