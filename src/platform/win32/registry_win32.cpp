#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

HKEY ToHkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

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
};

}  // namespace

Registry& RegistryAccess() {
  static Win32Registry registry;
  return registry;
}

}  // namespace platform::win32
