#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32ModuleResources final : public ModuleResources {
 public:
  ResourceHandle FindOwnResource(int id, const std::wstring& type) override {
    return reinterpret_cast<ResourceHandle>(
        FindResourceW(nullptr, MAKEINTRESOURCEW(id), type.c_str()));
  }

  bool LoadOwnResource(ResourceHandle resource, const std::uint8_t*& data,
                       std::uint32_t& size) override {
    HRSRC handle = reinterpret_cast<HRSRC>(resource);
    HGLOBAL loaded = LoadResource(nullptr, handle);
    if (loaded == nullptr) return false;
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return false;
    data = static_cast<const std::uint8_t*>(bytes);
    size = SizeofResource(nullptr, handle);
    return true;
  }
};

}  // namespace

ModuleResources& RealModuleResources() {
  static Win32ModuleResources resources;
  return resources;
}

}  // namespace platform::win32
