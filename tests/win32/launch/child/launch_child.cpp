// A stand-in installer for the launcher's tests:
//   launch_child RECORD_FILE EXIT_CODE [GO_FILE]
// waits for GO_FILE to exist when one is given, writes its command line and
// its current folder (UTF-16, one per line) to RECORD_FILE, and exits with
// EXIT_CODE.
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 100;
  if (argc >= 4) {
    // Bounded so that a test that fails never leaves this running for long.
    for (int i = 0; i < 6000 && GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  }
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + folder + L"\n";
  const HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 101;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return static_cast<int>(std::wcstoul(argv[2], nullptr, 10));
}
