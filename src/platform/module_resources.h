// Resources of the program's own module (FindResourceW / LoadResource /
// LockResource / SizeofResource on the executable itself).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// HRSRC of the own module; 0 means "no such resource".
using ResourceHandle = std::uintptr_t;

class ModuleResources {
 public:
  virtual ~ModuleResources() = default;
  // FindResourceW(own module, MAKEINTRESOURCE(id), type); 0 when absent.
  virtual ResourceHandle FindOwnResource(int id, const std::wstring& type) = 0;
  // LoadResource + LockResource + SizeofResource. The bytes stay valid for
  // the life of the process. False when the resource cannot be loaded.
  virtual bool LoadOwnResource(ResourceHandle resource, const std::uint8_t*& data,
                               std::uint32_t& size) = 0;
};

}  // namespace platform
