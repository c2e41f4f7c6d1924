#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

// The portable constants hold the predefined keys' 32-bit values; a 64-bit
// HKEY carries them sign-extended, so they are mapped rather than cast.
HKEY ToHkey(RegistryKey key) {
  switch (key) {
    case kHkeyClassesRoot: return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser: return HKEY_CURRENT_USER;
    case kHkeyLocalMachine: return HKEY_LOCAL_MACHINE;
    case kHkeyUsers: return HKEY_USERS;
    case kHkeyCurrentConfig: return HKEY_CURRENT_CONFIG;
    default: return reinterpret_cast<HKEY>(key);
  }
}

DWORD* OptionalDword(std::uint32_t* value, DWORD& storage) {
  if (!value) return nullptr;
  storage = *value;
  return &storage;
}

class Win32Registry final : public Registry {
 public:
  long OpenKeyA(RegistryKey root, const std::string& subKey, std::uint32_t access,
                RegistryKey& opened) override {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(ToHkey(root), subKey.c_str(), 0, access, &key);
    opened = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : 0;
    return status;
  }

  long QueryValueA(RegistryKey key, const std::string& name, std::uint8_t* buffer,
                   std::uint32_t& size) override {
    DWORD bytes = size;
    const LONG status = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, nullptr, buffer, &bytes);
    size = bytes;
    return status;
  }

  long CloseKey(RegistryKey key) override { return RegCloseKey(ToHkey(key)); }

  long OpenKeyW(RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                RegistryKey& opened) override {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(ToHkey(root), subKey.c_str(), 0, access, &key);
    opened = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : 0;
    return status;
  }

  long QueryInfoKeyW(RegistryKey key, std::uint32_t& subKeys,
                     std::uint32_t& maxSubKeyLength) override {
    DWORD count = 0;
    DWORD longest = 0;
    const LONG status = RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &count, &longest,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
      subKeys = count;
      maxSubKeyLength = longest;
    }
    return status;
  }

  long EnumKeyExW(RegistryKey key, std::uint32_t index, wchar_t* name,
                  std::uint32_t& length) override {
    DWORD chars = length;
    const LONG status =
        RegEnumKeyExW(ToHkey(key), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    length = chars;
    return status;
  }

  long GetValueW(RegistryKey key, const std::wstring& subKey, const std::wstring& valueName,
                 std::uint32_t flags, std::uint32_t* type, void* data,
                 std::uint32_t* size) override {
    DWORD typeStorage = 0;
    DWORD sizeStorage = 0;
    DWORD* typeOut = type ? &typeStorage : nullptr;
    DWORD* sizeInOut = OptionalDword(size, sizeStorage);
    const LONG status = RegGetValueW(ToHkey(key), subKey.empty() ? nullptr : subKey.c_str(),
                                     valueName.c_str(), flags, typeOut, data, sizeInOut);
    if (type) *type = typeStorage;
    if (size) *size = sizeStorage;
    return status;
  }

  long QueryValueExW(RegistryKey key, const std::wstring& valueName, std::uint32_t* type,
                     std::uint8_t* data, std::uint32_t* size) override {
    DWORD typeStorage = 0;
    DWORD sizeStorage = 0;
    DWORD* typeOut = type ? &typeStorage : nullptr;
    DWORD* sizeInOut = OptionalDword(size, sizeStorage);
    const LONG status = RegQueryValueExW(ToHkey(key), valueName.c_str(), nullptr, typeOut, data,
                                         sizeInOut);
    if (type) *type = typeStorage;
    if (size) *size = sizeStorage;
    return status;
  }
};

}  // namespace

Registry& RegistryAccess() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform::win32
