// The Windows registry, shaped like the Reg* calls so status codes and view
// flags keep their Windows meaning in portable code.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using RegistryKey = std::uintptr_t;  // an HKEY value

constexpr RegistryKey kHkeyClassesRoot = 0x80000000u;
constexpr RegistryKey kHkeyCurrentUser = 0x80000001u;
constexpr RegistryKey kHkeyLocalMachine = 0x80000002u;
constexpr RegistryKey kHkeyUsers = 0x80000003u;
constexpr RegistryKey kHkeyCurrentConfig = 0x80000005u;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExA.
  virtual long OpenKeyA(RegistryKey root, const std::string& subKey, std::uint32_t access,
                        RegistryKey& opened) = 0;
  // RegQueryValueExA into a caller buffer; `size` is the buffer size on entry
  // and the stored size on return.
  virtual long QueryValueA(RegistryKey key, const std::string& name, std::uint8_t* buffer,
                           std::uint32_t& size) = 0;
  virtual long CloseKey(RegistryKey key) = 0;
};

// Closes an opened key on every path out of a scope.
class ScopedRegistryKey {
 public:
  explicit ScopedRegistryKey(Registry& registry) : registry_(registry) {}
  ~ScopedRegistryKey() { Reset(); }
  ScopedRegistryKey(const ScopedRegistryKey&) = delete;
  ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;

  RegistryKey& Receive() { Reset(); return key_; }
  RegistryKey Get() const { return key_; }
  void Reset() {
    if (key_ != 0) registry_.CloseKey(key_);
    key_ = 0;
  }

 private:
  Registry& registry_;
  RegistryKey key_ = 0;
};

}  // namespace platform
