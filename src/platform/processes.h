// Starting a program and waiting for it, shaped like CreateProcessW,
// WaitForSingleObject and GetExitCodeProcess so the launcher is written once
// in portable code and keeps Windows' codes. platform/win32/win32_platform.h
// has the real one; tests script their own.
#pragma once

#include <cstdint>

#include "platform/scoped_resource.h"

namespace platform {

using ProcessHandle = void*;  // HANDLE of a process or thread

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;    // INFINITE
constexpr std::uint32_t kWaitObject0 = 0;          // WAIT_OBJECT_0
constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;  // WAIT_FAILED
constexpr std::uint32_t kStillActive = 259;        // STILL_ACTIVE

// PROCESS_INFORMATION.
struct ProcessInformation {
  ProcessHandle process = nullptr;
  ProcessHandle thread = nullptr;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW with no security attributes, the caller's environment and
  // a start-up record that is all zero but for its size. `commandLine` is a
  // writable, zero-terminated buffer (the call may change it);
  // `applicationName` and `currentDirectory` may be null (the caller's
  // folder). On success both handles in `information` are the caller's to close.
  virtual bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine,
                              bool inheritHandles, std::uint32_t creationFlags,
                              const wchar_t* currentDirectory,
                              ProcessInformation& information) = 0;
  virtual std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds) = 0;
  virtual bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) = 0;
  virtual bool CloseHandle(ProcessHandle handle) = 0;
  // GetLastError as it stands right now.
  virtual std::uint32_t LastError() = 0;
};

// Closes a process or thread handle through the interface that opened it.
struct ProcessHandleTraits {
  using Handle = ProcessHandle;
  Processes* processes = nullptr;
  static Handle Invalid() { return nullptr; }
  bool Free(Handle handle) const { return processes->CloseHandle(handle); }
};
using ScopedProcessHandle = ScopedResource<ProcessHandleTraits>;
inline ScopedProcessHandle ScopedProcess(Processes& processes, ProcessHandle handle) {
  return ScopedProcessHandle(handle, ProcessHandleTraits{&processes});
}

}  // namespace platform
