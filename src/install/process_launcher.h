// Starting a downloaded installer: the main product is waited for and its
// exit code reported; offers are started and left to run.
#pragma once

#include <cstdint>
#include <string>

#include "platform/background_task.h"
#include "platform/processes.h"
#include "platform/system_messages.h"

struct LaunchResult {
  // The process's exit code; 0xFFFFFFFF when it was not started or not waited for.
  std::uint32_t exitCode = 0xFFFFFFFF;
  // Empty when exitCode is 0; otherwise "exit code = N" or the start failure.
  std::wstring message;
};

// The Windows services a launch works through; the process-wide ones live
// for the whole run (platform/win32/win32_platform.h).
struct LaunchPlatform {
  platform::Processes& processes;
  platform::SystemMessages& messages;  // the text of a start failure
};

// The command line: the path in double quotes, one blank, the arguments as
// they are (so empty arguments leave a trailing blank).
std::wstring LaunchCommandLine(const std::wstring& executable, const std::wstring& arguments);

// The folder the program starts in: its own (everything before the last
// backslash; a drive root keeps its backslash), never the folder the wizard
// was started from, which is usually Downloads and holds whatever the user
// saved there. Empty for a bare file name (the caller's folder then).
std::wstring LaunchFolder(const std::wstring& executable);

// Starts `executable` with `arguments` and, when `waitForExit`, waits
// without a time limit for it to end. Never throws: a start failure gives
// 0xFFFFFFFF and "Error launching executable: " followed by the system text.
LaunchResult LaunchProcess(const LaunchPlatform& platform, const std::wstring& executable,
                           const std::wstring& arguments, bool waitForExit);

// LaunchProcess on a new task; returns at once. The path, the arguments
// and `platform` (references) are copied; the services it refers to must
// outlive the task (dropping the task does not wait for it).
BackgroundTask<LaunchResult> LaunchProcessAsync(const LaunchPlatform& platform,
                                                const std::wstring& executable,
                                                const std::wstring& arguments, bool waitForExit);
