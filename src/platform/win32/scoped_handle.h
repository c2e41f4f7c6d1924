// The Win32 owners: kernel handles, files and searches (whose "none" is
// INVALID_HANDLE_VALUE, not null), GDI objects, window device contexts and
// memory the system allocates for us, all one template.
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

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Free(Handle handle) { return FindClose(handle) != FALSE; }
};

// A device context from GetDC, given back to its window.
struct WindowDcTraits {
  HWND window = nullptr;
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  bool Free(Handle dc) const { return ReleaseDC(window, dc) != 0; }
};

// Memory a call hands out for LocalFree (FormatMessageW, the SDDL and
// command-line conversions).
template <typename Pointer>
struct LocalMemoryTraits {
  using Handle = Pointer;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle memory) { return LocalFree(memory) == nullptr; }
};

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static Handle Invalid() { return nullptr; }
  static bool Free(Handle memory) { return GlobalFree(memory) == nullptr; }
};

using ScopedHandle = ScopedResource<KernelHandleTraits>;
using ScopedFile = ScopedResource<FileHandleTraits>;
using ScopedBrush = ScopedResource<GdiObjectTraits<HBRUSH>>;
using ScopedFont = ScopedResource<GdiObjectTraits<HFONT>>;
using ScopedBitmap = ScopedResource<GdiObjectTraits<HBITMAP>>;
using ScopedFind = ScopedResource<FindHandleTraits>;
using ScopedWindowDc = ScopedResource<WindowDcTraits>;
template <typename Pointer>
using ScopedLocalMemory = ScopedResource<LocalMemoryTraits<Pointer>>;
using ScopedGlobalMemory = ScopedResource<GlobalMemoryTraits>;

// GetDC(window), released to that window.
inline ScopedWindowDc WindowDc(HWND window) {
  return ScopedWindowDc(GetDC(window), WindowDcTraits{window});
}

}  // namespace platform::win32
