// A stand-in for a downloaded installer in the end-to-end runs: appends one
// line "<its file name>|<its command line>|<its current folder>" (UTF-8) to
// C:\vellam-e2e\installs.txt and exits with the number in the environment
// variable VELLAM_E2E_INSTALLER_EXIT (0 when unset). The wizard's
// environment reaches it, so a scenario chooses the exit code per run.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                        size, nullptr, nullptr);
  }
  return utf8;
}

}  // namespace

int wmain() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  const wchar_t* name = std::wcsrchr(module, L'\\');
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  // When the process was created, first: installers started back to back
  // may reach the record in either order, their creation times may not.
  FILETIME created = {}, unused = {};
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  const unsigned long long createdAt =
      (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  const std::string line = std::to_string(createdAt) + "|" +
                           Utf8(std::wstring(name ? name + 1 : module) + L"|" +
                                GetCommandLineW() + L"|" + folder) +
                           "\n";
  CreateDirectoryW(L"C:\\vellam-e2e", nullptr);
  // Several installers may run at once: each waits for the record to itself
  // (no sharing), so lines never mix.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = CreateFileW(L"C:\\vellam-e2e\\installs.txt", FILE_APPEND_DATA, 0, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return 101;
  SetFilePointer(file, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
  wchar_t exit[16] = {};
  if (GetEnvironmentVariableW(L"VELLAM_E2E_INSTALLER_EXIT", exit, 16) == 0) return 0;
  return static_cast<int>(std::wcstoul(exit, nullptr, 10));
}
