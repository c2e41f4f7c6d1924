#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

// The portable access flags, status codes and value types are Windows' own
// (the predefined keys are mapped below: they are pointers here).
static_assert(kKeyRead == KEY_READ && kKeySetValue == KEY_SET_VALUE && kKeyWow64_64Key == KEY_WOW64_64KEY &&
              kKeyWow64_32Key == KEY_WOW64_32KEY);
static_assert(kErrorSuccess == ERROR_SUCCESS && kErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              kErrorInvalidHandle == ERROR_INVALID_HANDLE &&
              kErrorCallNotImplemented == ERROR_CALL_NOT_IMPLEMENTED &&
              kErrorBadPathname == ERROR_BAD_PATHNAME && kErrorMoreData == ERROR_MORE_DATA &&
              kErrorNoMoreItems == ERROR_NO_MORE_ITEMS &&
              kErrorUnsupportedType == ERROR_UNSUPPORTED_TYPE);
static_assert(kRegNone == REG_NONE && kRegSz == REG_SZ && kRegExpandSz == REG_EXPAND_SZ &&
              kRegBinary == REG_BINARY && kRegDword == REG_DWORD && kRegMultiSz == REG_MULTI_SZ &&
              kRegQword == REG_QWORD);
static_assert(kRrfRtRegNone == RRF_RT_REG_NONE && kRrfRtRegSz == RRF_RT_REG_SZ &&
              kRrfRtRegExpandSz == RRF_RT_REG_EXPAND_SZ && kRrfRtRegBinary == RRF_RT_REG_BINARY &&
              kRrfRtRegDword == RRF_RT_REG_DWORD && kRrfRtRegMultiSz == RRF_RT_REG_MULTI_SZ &&
              kRrfRtRegQword == RRF_RT_REG_QWORD && kRrfRtAny == RRF_RT_ANY &&
              kRrfNoExpand == RRF_NOEXPAND);
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

  long CreateKeyExW(RegistryKey root, const std::wstring& subKey, std::uint32_t access,
                    RegistryKey& created) override {
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(ToHkey(root), subKey.c_str(), 0, nullptr, 0, access,
                                        nullptr, &key, nullptr);
    created = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : 0;
    return status;
  }

  long SetValueExW(RegistryKey key, const std::wstring& valueName, std::uint32_t type,
                   const std::uint8_t* data, std::uint32_t size) override {
    return RegSetValueExW(ToHkey(key), valueName.c_str(), 0, type, data, size);
  }
};

}  // namespace

Registry& RealRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform::win32
