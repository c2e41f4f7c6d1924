// The Win32 owners: kernel handles, files (whose "none" is
// INVALID_HANDLE_VALUE, not null) and GDI objects, all one template.
#pragma once

#include <windows.h>

#include "platform/scoped_resource.h"

namespace platform::win32 {

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle handle) { return CloseHandle(handle) != FALSE; }
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Free(Handle handle) { return CloseHandle(handle) != FALSE; }
};

template <typename Object>
struct GdiObjectTraits {
  using Handle = Object;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle handle) { return DeleteObject(handle) != FALSE; }
};

using ScopedHandle = ScopedResource<KernelHandleTraits>;
using ScopedFile = ScopedResource<FileHandleTraits>;
using ScopedBrush = ScopedResource<GdiObjectTraits<HBRUSH>>;
using ScopedFont = ScopedResource<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedResource<GdiObjectTraits<HBITMAP>>;

}  // namespace platform::win32
