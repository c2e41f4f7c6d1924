#include <windows.h>
// After <windows.h>, which they need.
#include <shlobj.h>
#include <tlhelp32.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

static_assert(kTh32csSnapProcess == TH32CS_SNAPPROCESS);
static_assert(kMemoryStatusExSize == sizeof(MEMORYSTATUSEX));
// The record's size is 556 bytes in the shipped 32-bit build; the x86-64
// test build's is wider (a pointer-sized member).
static_assert(sizeof(void*) != 4 || kProcessEntry32WSize == sizeof(PROCESSENTRY32W));
// kInvalidSnapshot is INVALID_HANDLE_VALUE ((HANDLE)-1), which is no constant expression.

namespace {

bool ReadEntry(BOOL(WINAPI* step)(HANDLE, LPPROCESSENTRY32W), SnapshotHandle snapshot,
               std::wstring& exeFile) {
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (!step(reinterpret_cast<HANDLE>(snapshot), &entry)) return false;
  // szExeFile is zero-terminated within its 260 characters.
  std::size_t length = 0;
  while (length < MAX_PATH && entry.szExeFile[length] != L'\0') ++length;
  exeFile.assign(entry.szExeFile, length);
  return true;
}

class Win32MachineState final : public MachineState {
 public:
  bool DefaultUserKnownFolder(const KnownFolderId& id, std::wstring& path) override {
    GUID folderId{id.data1, id.data2, id.data3, {}};
    for (int i = 0; i < 8; ++i) folderId.Data4[i] = id.data4[i];
    PWSTR folder = nullptr;
    // A token of -1 names the default user profile.
    const HRESULT result = SHGetKnownFolderPath(folderId, 0, reinterpret_cast<HANDLE>(-1), &folder);
    if (SUCCEEDED(result) && folder) path = folder;
    CoTaskMemFree(folder);
    return SUCCEEDED(result) && folder;
  }

  bool DiskFreeBytes(const std::wstring& root, std::uint64_t& availableToCaller,
                     std::uint32_t& lastError) override {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) {
      lastError = GetLastError();
      return false;
    }
    availableToCaller = available.QuadPart;
    return true;
  }

  bool TotalPhysicalMemory(std::uint64_t& bytes, std::uint32_t& lastError) override {
    MEMORYSTATUSEX status{};
    status.dwLength = kMemoryStatusExSize;
    if (!GlobalMemoryStatusEx(&status)) {
      lastError = GetLastError();
      return false;
    }
    bytes = status.ullTotalPhys;
    return true;
  }

  SnapshotHandle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) override {
    return reinterpret_cast<SnapshotHandle>(CreateToolhelp32Snapshot(flags, processId));
  }
  bool FirstProcess(SnapshotHandle snapshot, std::wstring& exeFile) override {
    return ReadEntry(&Process32FirstW, snapshot, exeFile);
  }
  bool NextProcess(SnapshotHandle snapshot, std::wstring& exeFile) override {
    return ReadEntry(&Process32NextW, snapshot, exeFile);
  }
  void CloseSnapshot(SnapshotHandle snapshot) override {
    CloseHandle(reinterpret_cast<HANDLE>(snapshot));
  }

  bool DisableFsRedirection(std::uintptr_t& oldValue) override {
    PVOID old = nullptr;
    if (!Wow64DisableWow64FsRedirection(&old)) return false;
    oldValue = reinterpret_cast<std::uintptr_t>(old);
    return true;
  }
  bool RevertFsRedirection(std::uintptr_t oldValue) override {
    return Wow64RevertWow64FsRedirection(reinterpret_cast<PVOID>(oldValue)) != FALSE;
  }
};

}  // namespace

MachineState& RealMachineState() {
  static Win32MachineState machine;
  return machine;
}

}  // namespace platform::win32
