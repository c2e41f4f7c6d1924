#include "fakes/fake_platform.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

bool FakeFileSystem::CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                                          unsigned, std::wstring& path) {
  if (uniqueFileFails) return false;
  wchar_t hex[16];
  std::swprintf(hex, 16, L"%X", nextUnique++);
  path = folder + prefix + hex + L".tmp";
  files.insert(path);
  return true;
}

std::uint32_t FakeFileSystem::MakePrivateDirectory(const std::wstring& path,
                                                   const std::wstring& sddl) {
  securityAsked.push_back(sddl);
  if (makeDirectoryFails) return platform::kFileErrorAccessDenied;
  if (takenMeanwhile.count(path) || PathExists(path)) return platform::kFileErrorAlreadyExists;
  directories.insert(path);
  privateFolders.push_back(path);
  heldFolders.insert(path);
  return platform::kFileErrorSuccess;
}

std::vector<platform::FolderEntry> FakeFileSystem::Children(const std::wstring& folder) const {
  std::vector<platform::FolderEntry> children;
  const std::wstring prefix = folder + L"\\";
  auto collect = [&](const std::set<std::wstring>& paths, bool isDirectory) {
    for (const auto& path : paths) {
      if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
      const std::wstring name = path.substr(prefix.size());
      if (name.find(L'\\') == std::wstring::npos) children.push_back({name, isDirectory, false});
    }
  };
  collect(directories, true);
  collect(files, false);
  for (const auto& [link, target] : directoryLinks) {
    if (link.size() <= prefix.size() || link.compare(0, prefix.size(), prefix) != 0) continue;
    const std::wstring name = link.substr(prefix.size());
    if (name.find(L'\\') == std::wstring::npos) children.push_back({name, true, true});
  }
  return children;
}

bool FakeFileSystem::IsDirectoryEmpty(const std::wstring& path) {
  const auto link = directoryLinks.find(path);
  if (link != directoryLinks.end()) return IsDirectoryEmpty(link->second);
  return directories.count(path) == 1 && Children(path).empty();
}

namespace {

// "*.exe" matches "setup.exe" and "SETUP.EXE" (the pattern's extension in any case).
bool MatchesExtension(const std::wstring& name, const std::wstring& extension) {
  if (name.size() < extension.size()) return false;
  const std::wstring tail = name.substr(name.size() - extension.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (std::towlower(tail[i]) != std::towlower(extension[i])) return false;
  }
  return true;
}

}  // namespace

std::uint32_t FakeFileSystem::CreateFolderStatus(const std::wstring& path) {
  const auto error = createFolderErrors.find(path);
  if (error != createFolderErrors.end()) return error->second;
  if (PathExists(path)) return platform::kFileErrorAlreadyExists;
  const auto slash = path.rfind(L'\\');
  if (slash == std::wstring::npos || directories.count(path.substr(0, slash)) == 0) {
    return platform::kFileErrorPathNotFound;
  }
  directories.insert(path);
  foldersCreated.push_back(path);
  return platform::kFileErrorSuccess;
}

bool FakeFileSystem::FindEntries(const std::wstring& pattern,
                                 std::vector<platform::FolderEntry>& entries) {
  entries.clear();
  const auto star = pattern.rfind(L"\\*.");
  if (star == std::wstring::npos) return false;
  const std::wstring extension = pattern.substr(star + 2);  // ".*" or ".exe"
  std::wstring folder = pattern.substr(0, star);
  const auto link = directoryLinks.find(folder);
  if (link != directoryLinks.end()) folder = link->second;  // listing follows the link
  if (directories.count(folder) == 0 || unlistableFolders.count(folder) == 1) return false;
  if (extension == L".*") {
    entries.push_back({L".", true, false});
    entries.push_back({L"..", true, false});
  }
  for (auto& child : Children(folder)) {
    if (extension == L".*" || MatchesExtension(child.name, extension)) entries.push_back(child);
  }
  return true;
}

std::uint32_t FakeFileSystem::DeleteFileStatus(const std::wstring& path) {
  if (directories.count(path) || directoryLinks.count(path)) return platform::kFileErrorAccessDenied;
  if (!files.count(path)) return platform::kFileErrorFileNotFound;
  const auto error = deleteFileErrors.find(path);
  if (error != deleteFileErrors.end()) return error->second;
  files.erase(path);
  return platform::kFileErrorSuccess;
}

std::uint32_t FakeFileSystem::RemoveFolderStatus(const std::wstring& path) {
  if (files.count(path)) return platform::kFileErrorDirectory;
  const auto error = removeFolderErrors.find(path);
  if (error != removeFolderErrors.end()) return error->second;
  // A junction goes as a link, whatever its target holds.
  if (directoryLinks.erase(path) == 1) return platform::kFileErrorSuccess;
  if (!directories.count(path)) return platform::kFileErrorFileNotFound;
  if (!Children(path).empty()) return platform::kFileErrorDirNotEmpty;
  directories.erase(path);
  return platform::kFileErrorSuccess;
}

long FakeAnsiRegistry::OpenKeyA(platform::RegistryKey root, const std::string& subKey,
                                std::uint32_t access, platform::RegistryKey& opened) {
  accessAsked.push_back(access);
  const std::string path = std::to_string(root) + "\\" + subKey;
  if (!keys.count(path)) return platform::kErrorFileNotFound;
  opened = nextHandle_++;
  handles_[opened] = path;
  ++openKeys;
  return platform::kErrorSuccess;
}

long FakeAnsiRegistry::QueryValueA(platform::RegistryKey key, const std::string& name,
                                   std::uint8_t* buffer, std::uint32_t& size) {
  const auto& values = keys.at(handles_.at(key));
  const auto value = values.find(name);
  if (value == values.end()) return platform::kErrorFileNotFound;
  const std::uint32_t needed = static_cast<std::uint32_t>(value->second.size());
  if (needed > size) {
    size = needed;
    return platform::kErrorMoreData;
  }
  std::memcpy(buffer, value->second.data(), needed);
  size = needed;
  return platform::kErrorSuccess;
}

long FakeAnsiRegistry::CloseKey(platform::RegistryKey key) {
  handles_.erase(key);
  --openKeys;
  return platform::kErrorSuccess;
}

bool FakeClock::ToLocalTime(std::int64_t seconds, std::tm& local) {
  if (!localTimeOk) return false;
  const std::time_t t = static_cast<std::time_t>(seconds);
  return gmtime_r(&t, &local) != nullptr;  // the fake's local zone is UTC
}
