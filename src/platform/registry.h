// The Windows registry, shaped like the Reg* calls so status codes and view
// flags keep their Windows meaning in portable code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error_codes.h"

namespace platform {

using RegistryKey = std::uintptr_t;  // an HKEY value

constexpr RegistryKey kHkeyClassesRoot = 0x80000000u;
constexpr RegistryKey kHkeyCurrentUser = 0x80000001u;
constexpr RegistryKey kHkeyLocalMachine = 0x80000002u;
constexpr RegistryKey kHkeyUsers = 0x80000003u;
constexpr RegistryKey kHkeyCurrentConfig = 0x80000005u;

constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// Value types (REG_*).
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

// RegGetValueW type restrictions and flags (RRF_*).
constexpr std::uint32_t kRrfRtRegNone = 0x1;
constexpr std::uint32_t kRrfRtRegSz = 0x2;
constexpr std::uint32_t kRrfRtRegExpandSz = 0x4;
constexpr std::uint32_t kRrfRtRegBinary = 0x8;
constexpr std::uint32_t kRrfRtRegDword = 0x10;
constexpr std::uint32_t kRrfRtRegMultiSz = 0x20;
constexpr std::uint32_t kRrfRtRegQword = 0x40;
constexpr std::uint32_t kRrfRtAny = 0xFFFF;
constexpr std::uint32_t kRrfNoExpand = 0x10000000;

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

  // The wide calls. A registry that only serves the narrow identity reads
  // answers them as Windows answers a call it does not implement.

  // RegOpenKeyExW(root, subKey, 0, access).
  virtual long OpenKeyW(RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                        RegistryKey& opened) {
    (void)root, (void)subKey, (void)access;
    opened = 0;
    return kErrorCallNotImplemented;
  }
  // RegQueryInfoKeyW for the number of direct subkeys and the length of the
  // longest subkey name in characters, without its terminating zero.
  virtual long QueryInfoKeyW(RegistryKey key, std::uint32_t& subKeys,
                             std::uint32_t& maxSubKeyLength) {
    (void)key, (void)subKeys, (void)maxSubKeyLength;
    return kErrorCallNotImplemented;
  }
  // RegEnumKeyExW: `length` is the buffer size in characters on entry and the
  // name's length (without the zero) on success.
  virtual long EnumKeyExW(RegistryKey key, std::uint32_t index, wchar_t* name,
                          std::uint32_t& length) {
    (void)key, (void)index, (void)name, (void)length;
    return kErrorCallNotImplemented;
  }
  // RegGetValueW. An empty subKey reads `key` itself; `type`, `data` and
  // `size` may be null as in the Windows call (no data: size only). Sizes are
  // in bytes; strings are wchar_t text with their terminating zero.
  virtual long GetValueW(RegistryKey key, const std::wstring& subKey, const std::wstring& valueName,
                         std::uint32_t flags, std::uint32_t* type, void* data,
                         std::uint32_t* size) {
    (void)key, (void)subKey, (void)valueName, (void)flags, (void)type, (void)data, (void)size;
    return kErrorCallNotImplemented;
  }
  // RegQueryValueExW; `type`, `data` and `size` may be null.
  virtual long QueryValueExW(RegistryKey key, const std::wstring& valueName, std::uint32_t* type,
                             std::uint8_t* data, std::uint32_t* size) {
    (void)key, (void)valueName, (void)type, (void)data, (void)size;
    return kErrorCallNotImplemented;
  }
  // RegCreateKeyExW(root, subKey, 0, no class, options 0, access, no
  // security attributes): creates the key or opens the existing one.
  virtual long CreateKeyExW(RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                            RegistryKey& created) {
    (void)root, (void)subKey, (void)access;
    created = 0;
    return kErrorCallNotImplemented;
  }
  // RegSetValueExW(key, valueName, 0, type, data, size); size in bytes.
  virtual long SetValueExW(RegistryKey key, const std::wstring& valueName, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) {
    (void)key, (void)valueName, (void)type, (void)data, (void)size;
    return kErrorCallNotImplemented;
  }
};

// Closes an opened key on every path out of a scope.
class ScopedRegistryKey {
 public:
  explicit ScopedRegistryKey(Registry& registry) : registry_(registry) {}
  ~ScopedRegistryKey() { Reset(); }
  ScopedRegistryKey(const ScopedRegistryKey&) = delete;
  // Moving hands the key over; the source then closes nothing.
  ScopedRegistryKey(ScopedRegistryKey&& other) noexcept
      : registry_(other.registry_), key_(other.key_) {
    other.key_ = 0;
  }
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
