// In-memory stand-ins for the platform interfaces used by the settings and
// identity logic. Each records what was asked of it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_info.h"

class FakeFileSystem : public platform::FileSystem {
 public:
  std::wstring tempFolder = L"C:\\Temp\\";
  bool uniqueFileFails = false;
  bool makeDirectoryFails = false;
  // Names another process takes between the reservation and the folder
  // creation (MakePrivateDirectory then finds something there).
  std::set<std::wstring> takenMeanwhile;
  std::set<std::wstring> files;
  std::set<std::wstring> directories;
  // Junctions: link path → the folder it points to. Listing a link lists its
  // target, as Windows would for anyone who follows it.
  std::map<std::wstring, std::wstring> directoryLinks;
  std::vector<std::wstring> privateFolders;  // created by MakePrivateDirectory, in order
  std::vector<std::wstring> securityAsked;   // the SDDL each creation asked for
  std::set<std::wstring> heldFolders;
  unsigned nextUnique = 0xA1;

  std::wstring TempFolder() override { return tempFolder; }
  bool CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix, unsigned,
                            std::wstring& path) override;
  bool RemoveFile(const std::wstring& path) override { return files.erase(path) == 1; }
  std::uint32_t MakePrivateDirectory(const std::wstring& path, const std::wstring& sddl) override;
  void ReleaseFolder(const std::wstring& path) override { heldFolders.erase(path); }
  bool IsDirectory(const std::wstring& path) override {
    return directories.count(path) == 1 || directoryLinks.count(path) == 1;
  }
  std::map<std::wstring, std::uint32_t> createFolderErrors;  // path → CreateDirectoryW failure
  std::vector<std::wstring> foldersCreated;                  // CreateFolderStatus successes, in order
  std::uint32_t CreateFolderStatus(const std::wstring& path) override;

  // Folder content is derived from `files` and `directories` (paths joined
  // with one backslash); entries are listed in path order after "." and "..".
  // A pattern "FOLDER\*.EXT" lists only the names ending in ".EXT" (any case).
  std::map<std::wstring, std::uint32_t> deleteFileErrors;    // path → DeleteFileW failure
  std::map<std::wstring, std::uint32_t> removeFolderErrors;  // path → RemoveDirectoryW failure
  std::set<std::wstring> unlistableFolders;                  // FindFirstFileW fails
  bool restartRegistrationFails = false;
  std::vector<std::wstring> restartDeletions;  // DeleteAtRestart calls, in order

  bool PathExists(const std::wstring& path) override {
    return files.count(path) == 1 || directories.count(path) == 1 || directoryLinks.count(path) == 1;
  }
  bool IsReparsePoint(const std::wstring& path) override { return directoryLinks.count(path) == 1; }
  bool IsDirectoryEmpty(const std::wstring& path) override;
  bool FindEntries(const std::wstring& pattern, std::vector<platform::FolderEntry>& entries) override;
  std::uint32_t DeleteFileStatus(const std::wstring& path) override;
  std::uint32_t RemoveFolderStatus(const std::wstring& path) override;
  bool DeleteAtRestart(const std::wstring& path) override {
    restartDeletions.push_back(path);
    return !restartRegistrationFails;
  }
  // The names directly inside `folder`, with their kind.
  std::vector<platform::FolderEntry> Children(const std::wstring& folder) const;
};

class FakeSystemInfo : public platform::SystemInfo {
 public:
  bool osVersionOk = true;
  platform::OsVersion osVersion{10, 0, 19045, 0};
  bool wow64CallOk = true;
  bool wow64 = true;
  std::wstring executablePath = L"C:\\Users\\u\\Downloads\\Pellio_ab12-cd.exe";
  bool fileVersionOk = true;
  platform::FileVersion fileVersion{(1u << 16) | 2u, (3u << 16) | 4u};
  bool hasDownloads = true;
  std::wstring downloads = L"C:\\Users\\u\\Downloads";
  bool hasDocuments = true;
  std::wstring documents = L"C:\\Users\\u\\Documents";
  std::vector<int> csidlsAsked;
  // A 64-bit Windows with the usual folders; an id not listed fails.
  std::vector<std::pair<platform::KnownFolderId, std::wstring>> knownFolders{
      {platform::kFolderIdLocalAppData, L"C:\\Users\\u\\AppData\\Local"},
      {platform::kFolderIdRoamingAppData, L"C:\\Users\\u\\AppData\\Roaming"},
      {platform::kFolderIdProgramData, L"C:\\ProgramData"},
      {platform::kFolderIdProgramFilesX86, L"C:\\Program Files (x86)"}};
  std::map<std::wstring, std::wstring> environment{{L"ProgramW6432", L"C:\\Program Files"}};
  std::atomic<int> knownFolderCalls{0};

  bool QueryOsVersion(platform::OsVersion& version) override {
    version = osVersion;
    return osVersionOk;
  }
  bool QueryWow64(bool& result) override {
    result = wow64;
    return wow64CallOk;
  }
  std::wstring OwnExecutablePath() override { return executablePath; }
  bool QueryOwnFileVersion(platform::FileVersion& version) override {
    version = fileVersion;
    return fileVersionOk;
  }
  bool DownloadsFolder(std::wstring& path) override {
    if (hasDownloads) path = downloads;
    return hasDownloads;
  }
  bool CsidlFolder(int csidl, std::wstring& path) override {
    csidlsAsked.push_back(csidl);
    if (csidl == platform::kCsidlPersonal && hasDocuments) {
      path = documents;
      return true;
    }
    return false;
  }
  bool KnownFolder(const platform::KnownFolderId& id, std::wstring& path) override {
    ++knownFolderCalls;
    for (const auto& [folderId, folder] : knownFolders) {
      if (folderId == id) {
        path = folder;
        return true;
      }
    }
    return false;
  }
  // GetEnvironmentVariableW's answers: length, size needed, or 0 when unset.
  std::uint32_t ReadEnvironmentVariable(const std::wstring& name, wchar_t* buffer,
                                        std::uint32_t size) override {
    const auto found = environment.find(name);
    if (found == environment.end()) return 0;
    const auto length = static_cast<std::uint32_t>(found->second.size());
    if (length >= size) return length + 1;
    found->second.copy(buffer, length);
    buffer[length] = L'\0';
    return length;
  }
};

// Narrow-API registry with one view: values stored by "root\\subkey" path.
class FakeAnsiRegistry : public platform::Registry {
 public:
  std::map<std::string, std::map<std::string, std::string>> keys;  // path → name → bytes
  std::vector<std::uint32_t> accessAsked;
  int openKeys = 0;

  long OpenKeyA(platform::RegistryKey root, const std::string& subKey, std::uint32_t access,
                platform::RegistryKey& opened) override;
  long QueryValueA(platform::RegistryKey key, const std::string& name, std::uint8_t* buffer,
                   std::uint32_t& size) override;
  long CloseKey(platform::RegistryKey key) override;

 private:
  std::map<platform::RegistryKey, std::string> handles_;
  platform::RegistryKey nextHandle_ = 0x1000;
};

class FakeClock : public platform::Clock {
 public:
  std::int64_t millis = 1700000000123;
  bool localTimeOk = true;
  std::vector<std::uint32_t> waits;

  std::int64_t UnixSeconds() override { return millis / 1000; }
  std::int64_t UnixMillis() override { return millis; }
  bool ToLocalTime(std::int64_t seconds, std::tm& local) override;
  void Wait(std::uint32_t milliseconds) override {
    waits.push_back(milliseconds);
    millis += milliseconds;
  }
};

class FakeDialogs : public platform::Dialogs {
 public:
  struct Shown {
    std::wstring text;
    std::wstring caption;
    std::uint32_t flags;
  };
  std::vector<Shown> shown;
  int answer = platform::kIdOk;

  int ShowMessage(const std::wstring& text, const std::wstring& caption,
                  std::uint32_t flags) override {
    shown.push_back({text, caption, flags});
    return answer;
  }
};
