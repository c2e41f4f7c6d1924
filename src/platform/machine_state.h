// Machine facts the offer rules measure: free disk space, physical memory,
// the running processes, the default user's folders, and the file-system
// redirection a 32-bit process gets on 64-bit Windows. Shaped like the Win32
// calls behind them (same flags, same GetLastError values).
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_info.h"

namespace platform {

// {B4BFCC3A-DB2C-424C-B029-7FE99A87C641}
constexpr KnownFolderId kFolderIdDesktop{
    0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};

// CreateToolhelp32Snapshot: TH32CS_SNAPPROCESS, and the size of the
// PROCESSENTRY32W record Process32FirstW / Process32NextW fill.
constexpr std::uint32_t kTh32csSnapProcess = 2;
constexpr std::uint32_t kProcessEntry32WSize = 556;

// GlobalMemoryStatusEx's MEMORYSTATUSEX.dwLength.
constexpr std::uint32_t kMemoryStatusExSize = 64;

// A snapshot handle; kInvalidSnapshot is INVALID_HANDLE_VALUE.
using SnapshotHandle = std::uintptr_t;
constexpr SnapshotHandle kInvalidSnapshot = ~static_cast<SnapshotHandle>(0);

class MachineState {
 public:
  virtual ~MachineState() = default;

  // SHGetKnownFolderPath(id, flags 0, token -1): the folder of the default
  // user profile, not the current user's. False when the call fails.
  virtual bool DefaultUserKnownFolder(const KnownFolderId& id, std::wstring& path) = 0;
  // GetDiskFreeSpaceExW(root): the bytes available to the caller (the first
  // result). False with the GetLastError value in `lastError`.
  virtual bool DiskFreeBytes(const std::wstring& root, std::uint64_t& availableToCaller,
                             std::uint32_t& lastError) = 0;
  // GlobalMemoryStatusEx (dwLength kMemoryStatusExSize): ullTotalPhys. False
  // with the GetLastError value in `lastError`.
  virtual bool TotalPhysicalMemory(std::uint64_t& bytes, std::uint32_t& lastError) = 0;

  // CreateToolhelp32Snapshot(flags, processId); kInvalidSnapshot on failure.
  virtual SnapshotHandle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) = 0;
  // Process32FirstW / Process32NextW: the entry's szExeFile. False at the
  // end of the list or on failure.
  virtual bool FirstProcess(SnapshotHandle snapshot, std::wstring& exeFile) = 0;
  virtual bool NextProcess(SnapshotHandle snapshot, std::wstring& exeFile) = 0;
  // CloseHandle on the snapshot.
  virtual void CloseSnapshot(SnapshotHandle snapshot) = 0;

  // Wow64DisableWow64FsRedirection / Wow64RevertWow64FsRedirection for the
  // calling thread: while disabled, System32 means the native folder rather
  // than SysWOW64. Only meaningful under WOW64; elsewhere the call fails.
  virtual bool DisableFsRedirection(std::uintptr_t& oldValue) = 0;
  virtual bool RevertFsRedirection(std::uintptr_t oldValue) = 0;
};

// Turns the redirection off for one scope when `active` (the process runs
// under WOW64), and back on when the scope ends.
class NativeFileView {
 public:
  NativeFileView(MachineState& machine, bool active) : machine_(machine) {
    if (active) disabled_ = machine_.DisableFsRedirection(oldValue_);
  }
  ~NativeFileView() {
    if (disabled_) machine_.RevertFsRedirection(oldValue_);
  }
  NativeFileView(const NativeFileView&) = delete;
  NativeFileView& operator=(const NativeFileView&) = delete;

 private:
  MachineState& machine_;
  std::uintptr_t oldValue_ = 0;
  bool disabled_ = false;
};

}  // namespace platform
