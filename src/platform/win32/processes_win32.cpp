#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

static_assert(kInfinite == INFINITE && kWaitObject0 == WAIT_OBJECT_0 &&
              kWaitFailed == WAIT_FAILED && kStillActive == STILL_ACTIVE);

namespace {

class Win32Processes final : public Processes {
 public:
  bool CreateProcessW(const wchar_t* applicationName, wchar_t* commandLine, bool inheritHandles,
                      std::uint32_t creationFlags, const wchar_t* currentDirectory,
                      ProcessInformation& information) override {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(applicationName, commandLine, nullptr, nullptr,
                          inheritHandles ? TRUE : FALSE, creationFlags, nullptr, currentDirectory,
                          &startup, &started)) {
      return false;
    }
    information.process = started.hProcess;
    information.thread = started.hThread;
    information.processId = started.dwProcessId;
    information.threadId = started.dwThreadId;
    return true;
  }

  std::uint32_t WaitForSingleObject(ProcessHandle handle, std::uint32_t milliseconds) override {
    return ::WaitForSingleObject(handle, milliseconds);
  }

  bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return false;
    exitCode = code;
    return true;
  }

  bool CloseHandle(ProcessHandle handle) override { return ::CloseHandle(handle) != FALSE; }

  std::uint32_t LastError() override { return ::GetLastError(); }
};

}  // namespace

Processes& RealProcesses() {
  static Win32Processes processes;
  return processes;
}

}  // namespace platform::win32
