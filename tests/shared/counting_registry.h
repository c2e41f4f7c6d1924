// The real registry (or any other) with the calls that make a rule walk's
// cost counted: key opens and subkey listings. Shared by the Wine suite and
// the walk benchmark.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

class CountingRegistry : public platform::Registry {
 public:
  explicit CountingRegistry(platform::Registry& real) : real_(real) {}
  int opens = 0;
  int listings = 0;

  long OpenKeyA(platform::RegistryKey root, const std::string& subKey, std::uint32_t access,
                platform::RegistryKey& opened) override {
    return real_.OpenKeyA(root, subKey, access, opened);
  }
  long QueryValueA(platform::RegistryKey key, const std::string& name, std::uint8_t* buffer,
                   std::uint32_t& size) override {
    return real_.QueryValueA(key, name, buffer, size);
  }
  long CloseKey(platform::RegistryKey key) override { return real_.CloseKey(key); }
  long OpenKeyW(platform::RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                platform::RegistryKey& opened) override {
    ++opens;
    return real_.OpenKeyW(root, subKey, access, opened);
  }
  long QueryInfoKeyW(platform::RegistryKey key, std::uint32_t& subKeys,
                     std::uint32_t& maxSubKeyLength) override {
    ++listings;
    return real_.QueryInfoKeyW(key, subKeys, maxSubKeyLength);
  }
  long EnumKeyExW(platform::RegistryKey key, std::uint32_t index, wchar_t* name,
                  std::uint32_t& length) override {
    return real_.EnumKeyExW(key, index, name, length);
  }
  long GetValueW(platform::RegistryKey key, const std::wstring& subKey,
                 const std::wstring& valueName, std::uint32_t flags, std::uint32_t* type,
                 void* data, std::uint32_t* size) override {
    return real_.GetValueW(key, subKey, valueName, flags, type, data, size);
  }
  long QueryValueExW(platform::RegistryKey key, const std::wstring& valueName, std::uint32_t* type,
                     std::uint8_t* data, std::uint32_t* size) override {
    return real_.QueryValueExW(key, valueName, type, data, size);
  }

 private:
  platform::Registry& real_;
};
