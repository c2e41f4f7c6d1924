// The machine facts of the offer rules, scripted: figures or failures for
// disk and memory, a process list, the default user's folders, and the
// file-system redirection state. Counts every measuring call.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/machine_state.h"

class FakeMachineState : public platform::MachineState {
 public:
  // Default user profile folders; an id not listed fails.
  std::vector<std::pair<platform::KnownFolderId, std::wstring>> defaultUserFolders{
      {platform::kFolderIdDesktop, L"D:\\Users\\Default\\Desktop"}};
  std::uint64_t freeBytes = 40ull << 30;
  std::uint32_t diskError = 0;  // non-zero: GetDiskFreeSpaceExW fails with it
  std::uint64_t totalPhysical = 8ull << 30;
  std::uint32_t memoryError = 0;  // non-zero: GlobalMemoryStatusEx fails with it
  bool snapshotFails = false;
  std::vector<std::wstring> processes{L"[System Process]", L"System", L"explorer.exe"};
  bool redirectionCallFails = false;

  std::vector<std::wstring> diskRoots;  // GetDiskFreeSpaceExW calls, by root
  int memoryCalls = 0;
  std::vector<std::uint32_t> snapshotFlags;
  int openSnapshots = 0;
  bool redirectionDisabled = false;
  int redirectionDisables = 0;

  bool DefaultUserKnownFolder(const platform::KnownFolderId& id, std::wstring& path) override {
    for (const auto& [folderId, folder] : defaultUserFolders) {
      if (folderId == id) {
        path = folder;
        return true;
      }
    }
    return false;
  }
  bool DiskFreeBytes(const std::wstring& root, std::uint64_t& available,
                     std::uint32_t& lastError) override {
    diskRoots.push_back(root);
    if (diskError != 0) {
      lastError = diskError;
      return false;
    }
    available = freeBytes;
    return true;
  }
  bool TotalPhysicalMemory(std::uint64_t& bytes, std::uint32_t& lastError) override {
    ++memoryCalls;
    if (memoryError != 0) {
      lastError = memoryError;
      return false;
    }
    bytes = totalPhysical;
    return true;
  }
  platform::SnapshotHandle CreateSnapshot(std::uint32_t flags, std::uint32_t processId) override {
    snapshotFlags.push_back(flags);
    if (snapshotFails || processId != 0) return platform::kInvalidSnapshot;
    ++openSnapshots;
    next_ = 0;
    return 0x7000;
  }
  bool FirstProcess(platform::SnapshotHandle snapshot, std::wstring& exeFile) override {
    next_ = 0;
    return NextProcess(snapshot, exeFile);
  }
  bool NextProcess(platform::SnapshotHandle snapshot, std::wstring& exeFile) override {
    if (snapshot != 0x7000 || next_ >= processes.size()) return false;
    exeFile = processes[next_++];
    return true;
  }
  void CloseSnapshot(platform::SnapshotHandle snapshot) override {
    if (snapshot == 0x7000) --openSnapshots;
  }
  bool DisableFsRedirection(std::uintptr_t& oldValue) override {
    if (redirectionCallFails || redirectionDisabled) return false;
    redirectionDisabled = true;
    ++redirectionDisables;
    oldValue = 0x51;
    return true;
  }
  bool RevertFsRedirection(std::uintptr_t oldValue) override {
    if (!redirectionDisabled || oldValue != 0x51) return false;
    redirectionDisabled = false;
    return true;
  }

 private:
  std::size_t next_ = 0;
};
