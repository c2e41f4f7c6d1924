#include "platform/win32/system_library.h"

#include <string>

namespace platform::win32 {
namespace {

// Present from Windows 8, and on Vista/7 with KB2533623.
bool SearchSystem32Supported() {
  static const bool supported = GetProcAddress(GetModuleHandleW(L"kernel32.dll"),
                                               "SetDefaultDllDirectories") != nullptr;
  return supported;
}

}  // namespace

void RestrictDllSearchToSystem32() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  } else {
    // Removes the current folder from the search; System32 paths are used below.
    SetDllDirectoryW(L"");
  }
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  if (SearchSystem32Supported()) {
    return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace platform::win32
