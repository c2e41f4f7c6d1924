#include "fakes/fake_platform.h"

#include <cstring>
#include <cwchar>

bool FakeFileSystem::CreateUniqueTempFile(const std::wstring& folder, const std::wstring& prefix,
                                          unsigned, std::wstring& path) {
  if (uniqueFileFails) return false;
  wchar_t hex[16];
  std::swprintf(hex, 16, L"%X", nextUnique++);
  path = folder + prefix + hex + L".tmp";
  files.insert(path);
  return true;
}

bool FakeFileSystem::MakeDirectory(const std::wstring& path) {
  if (makeDirectoryFails || files.count(path) || directories.count(path)) return false;
  directories.insert(path);
  return true;
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
