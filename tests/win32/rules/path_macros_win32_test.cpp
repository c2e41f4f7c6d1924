// Path macros resolved on the Wine prefix's real folders. The prefix is
// 64-bit: in the x86-64 build this suite is a 64-bit process and sees the
// table of a process that is not under WOW64; in the i686 build it is a
// 32-bit process under WOW64, as the shipped installer is, and "{commonpf}"
// leads to the native Program Files folder through "commonpf64".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "config/configuration_manager.h"
#include "platform/win32/win32_platform.h"
#include "rules/path_macros.h"

namespace {

namespace w = platform::win32;

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && _wcsicmp(a.c_str(), b.c_str()) == 0;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

constexpr bool kWow64 = sizeof(void*) == 4;

TEST(PathMacrosWin32, ResolveToThePrefixFolders) {
  const PathMacroTable table = BuildPathMacroTable(w::RealSystemInfo());
  ASSERT_EQ(table.size(), kWow64 ? 6u : 5u) << "commonpf64 under WOW64 only";
  EXPECT_EQ(table[0], (std::pair<std::wstring, std::wstring>{
                          L"commonpf", kWow64 ? L"{commonpf64}" : L"{commonpf32}"}));
  const struct {
    const wchar_t* macro;
    const wchar_t* variable;  // the same folder, as the environment names it
  } folders[] = {
      {L"localappdata", L"LOCALAPPDATA"},
      {L"commonappdata", L"APPDATA"},  // roaming, not the machine-wide folder
      {L"programdata", L"ProgramData"},
      {L"commonpf32", L"ProgramFiles(x86)"},
      {L"commonpf64", L"ProgramW6432"},  // under WOW64 only
  };
  for (std::size_t i = 0; i + 1 < table.size(); ++i) {
    EXPECT_EQ(table[i + 1].first, folders[i].macro);
    const std::wstring& folder = table[i + 1].second;
    EXPECT_TRUE(SameFolder(folder, Environment(folders[i].variable)))
        << Narrow(folder) << " vs " << Narrow(Environment(folders[i].variable));
    EXPECT_TRUE(IsFolder(folder)) << Narrow(folder);
    EXPECT_NE(folder.back(), L'\\');
  }
  // Under WOW64 {commonpf} leads to the native Program Files folder; a process
  // not under WOW64 gets the x86 one.
  const std::wstring commonpf = Environment(kWow64 ? L"ProgramW6432" : L"ProgramFiles(x86)");
  const std::wstring x86 = Environment(L"ProgramFiles(x86)");
  const struct {
    const wchar_t* text;
    std::wstring expanded;
  } paths[] = {
      {L"{commonpf}\\Google\\Chrome\\Application\\chrome.exe",
       commonpf + L"\\Google\\Chrome\\Application\\chrome.exe"},
      {L"{commonpf32}\\x", x86 + L"\\x"},
      {L"{commonpf64}\\x", kWow64 ? Environment(L"ProgramW6432") + L"\\x" : L"{commonpf64}\\x"},
  };
  for (const auto& p : paths) {
    const std::wstring expanded = ExpandPathMacros(p.text, table);
    EXPECT_TRUE(_wcsicmp(expanded.c_str(), p.expanded.c_str()) == 0)
        << Narrow(p.text) << " became " << Narrow(expanded) << ", expected " << Narrow(p.expanded);
  }
}

TEST(PathMacrosWin32, TheNativeProgramFilesComesFromProgramW6432) {
  // What a 32-bit installer on this prefix reads for "commonpf64".
  wchar_t buffer[260] = {};
  const std::uint32_t length = w::RealSystemInfo().ReadEnvironmentVariable(L"ProgramW6432", buffer, 260);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, 260u);
  EXPECT_TRUE(IsFolder(buffer));
  std::wstring x86;
  ASSERT_TRUE(w::RealSystemInfo().KnownFolder(platform::kFolderIdProgramFilesX86, x86));
  EXPECT_FALSE(SameFolder(buffer, x86));
}

TEST(PathMacrosWin32, EnvironmentValuesAnswerAsTheFakeDoes) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VELLAM_TEST_VALUE", L"abcdef"));
  wchar_t buffer[8] = {};
  EXPECT_EQ(w::RealSystemInfo().ReadEnvironmentVariable(L"VELLAM_TEST_VALUE", buffer, 8), 6u);
  EXPECT_STREQ(buffer, L"abcdef");
  EXPECT_EQ(w::RealSystemInfo().ReadEnvironmentVariable(L"VELLAM_TEST_VALUE", buffer, 6), 7u);
  EXPECT_EQ(w::RealSystemInfo().ReadEnvironmentVariable(L"VELLAM_TEST_UNSET", buffer, 8), 0u);
  SetEnvironmentVariableW(L"VELLAM_TEST_VALUE", nullptr);
}

TEST(PathMacrosWin32, AnUnknownFolderIsNotRead) {
  const platform::KnownFolderId unknown{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  std::wstring path = L"unchanged";
  EXPECT_FALSE(w::RealSystemInfo().KnownFolder(unknown, path));
  EXPECT_EQ(path, L"unchanged");
}

TEST(PathMacrosWin32, TheSettingsBuildTheTableOnceForAllThreads) {
  ProductConstants constants;
  constants.wizardName = L"ISV";
  constants.productExePath = L"{commonappdata}\\Pellio\\Pellio.exe";
  constants.configHost = L"localhost";
  ConfigurationManager settings(constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(),
                                                                 w::RealRegistry(),
                                                                 w::RealClock(), w::RealDialogs()});
  std::vector<PathMacroTable> seen(4);
  std::vector<std::thread> threads;
  for (auto& table : seen) threads.emplace_back([&] { table = settings.GetPathMacros(); });
  for (auto& thread : threads) thread.join();
  for (const auto& table : seen) EXPECT_EQ(table, BuildPathMacroTable(w::RealSystemInfo()));
  EXPECT_TRUE(SameFolder(ExpandPathMacros(settings.productExePath, seen[0]),
                         Environment(L"APPDATA") + L"\\Pellio\\Pellio.exe"));
  if (!settings.workFolder.empty()) RemoveDirectoryW(settings.workFolder.c_str());
}

}  // namespace
