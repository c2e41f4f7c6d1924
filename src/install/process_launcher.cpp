#include "install/process_launcher.h"

#include <vector>

#include "config/decimal_text.h"

std::wstring LaunchCommandLine(const std::wstring& executable, const std::wstring& arguments) {
  // Always quoted: C:\Program Files\x.exe would otherwise start C:\Program.exe
  // if someone had put one there.
  return L"\"" + executable + L"\" " + arguments;
}

std::wstring LaunchFolder(const std::wstring& executable) {
  const auto slash = executable.rfind(L'\\');
  if (slash == std::wstring::npos) return {};
  std::wstring folder = executable.substr(0, slash);
  // "C:" alone names the drive's current folder, not its root.
  if (folder.empty() || folder.back() == L':') folder += L'\\';
  return folder;
}

LaunchResult LaunchProcess(const LaunchPlatform& platform, const std::wstring& executable,
                           const std::wstring& arguments, bool waitForExit) {
  const std::wstring line = LaunchCommandLine(executable, arguments);
  std::vector<wchar_t> writable(line.begin(), line.end());  // CreateProcessW may write into it
  writable.push_back(L'\0');
  const std::wstring folder = LaunchFolder(executable);

  LaunchResult result;
  platform::ProcessInformation started;
  // The file is named as well as quoted in the command line: Windows then
  // starts exactly it, never searches, and never looks for "setup.exe" when
  // the download's name has no extension (a URL ending in ".../stable").
  if (!platform.processes.CreateProcessW(executable.c_str(), writable.data(), false, 0,
                                         folder.empty() ? nullptr : folder.c_str(), started)) {
    const std::uint32_t error = platform.processes.LastError();
    result.message = L"Error launching executable: " + platform.messages.SystemMessageText(error);
    return result;
  }
  const auto process = platform::ScopedProcess(platform.processes, started.process);
  const auto thread = platform::ScopedProcess(platform.processes, started.thread);
  if (waitForExit &&
      platform.processes.WaitForSingleObject(process.get(), platform::kInfinite) ==
          platform::kWaitObject0) {
    std::uint32_t code = 0;
    if (platform.processes.GetExitCodeProcess(process.get(), code)) result.exitCode = code;
  }
  if (result.exitCode != 0) result.message = L"exit code = " + ToDecimal(result.exitCode);
  return result;
}

BackgroundTask<LaunchResult> LaunchProcessAsync(const LaunchPlatform& platform,
                                                const std::wstring& executable,
                                                const std::wstring& arguments, bool waitForExit) {
  return BackgroundTask<LaunchResult>::Start([platform, executable, arguments, waitForExit] {
    return LaunchProcess(platform, executable, arguments, waitForExit);
  });
}
