// Safe loading of system DLLs. The installer runs elevated from the Downloads
// folder, so a DLL planted beside it must never load: only KnownDLLs are
// imported at load time and everything else comes from System32 by path.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Restricts the DLL search to System32. Must run before anything else.
void RestrictDllSearchToSystem32();

// Loads a DLL from System32 (nullptr on failure). The module stays loaded for
// the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The address of `procedure` in the System32 DLL `library`, cast to `Fn`.
template <typename Fn>
Fn SystemProcedure(const wchar_t* library, const char* procedure) {
  HMODULE module = LoadSystemLibrary(library);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, procedure)))
                : nullptr;
}

}  // namespace platform::win32
