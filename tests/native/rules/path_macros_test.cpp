#include "rules/path_macros.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "support/test_constants.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(PathMacroTable, On64BitWindowsCommonpfIsTheNativeProgramFiles) {
  FakeSystemInfo system;  // a 32-bit process under WOW64
  const PathMacroTable table = BuildPathMacroTable(system);
  EXPECT_EQ(table, (PathMacroTable{{L"commonpf", L"{commonpf64}"},
                                   {L"localappdata", L"C:\\Users\\u\\AppData\\Local"},
                                   {L"commonappdata", L"C:\\Users\\u\\AppData\\Roaming"},
                                   {L"programdata", L"C:\\ProgramData"},
                                   {L"commonpf32", L"C:\\Program Files (x86)"},
                                   {L"commonpf64", L"C:\\Program Files"}}));
  EXPECT_EQ(ExpandPathMacros(L"{commonpf}\\Google\\Chrome\\Application\\chrome.exe", table),
            L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe");
  EXPECT_EQ(ExpandPathMacros(L"{commonpf64}\\x", table), L"C:\\Program Files\\x");
  EXPECT_EQ(ExpandPathMacros(L"{commonpf32}\\x", table), L"C:\\Program Files (x86)\\x");
  EXPECT_EQ(ExpandPathMacros(L"{localappdata}\\Chromium\\Application\\chrome.exe", table),
            L"C:\\Users\\u\\AppData\\Local\\Chromium\\Application\\chrome.exe");
  EXPECT_EQ(ExpandPathMacros(L"{commonappdata}\\Pellio\\Pellio.exe", table),
            L"C:\\Users\\u\\AppData\\Roaming\\Pellio\\Pellio.exe");
}

TEST(PathMacroTable, On32BitWindowsThereIsOneProgramFiles) {
  for (bool callFails : {false, true}) {
    FakeSystemInfo system;
    system.wow64 = callFails;  // a failing IsWow64Process counts as no WOW64
    system.wow64CallOk = !callFails;
    system.knownFolders[3].second = L"C:\\Program Files";
    const PathMacroTable table = BuildPathMacroTable(system);
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(table[0], (std::pair<std::wstring, std::wstring>{L"commonpf", L"{commonpf32}"}));
    EXPECT_EQ(ExpandPathMacros(L"{commonpf}\\a", table), L"C:\\Program Files\\a");
    EXPECT_EQ(ExpandPathMacros(L"{commonpf32}\\a", table), L"C:\\Program Files\\a");
    EXPECT_EQ(ExpandPathMacros(L"{commonpf64}\\a", table), L"{commonpf64}\\a");
  }
}

TEST(PathMacroTable, UnreadableFoldersAndValues) {
  FakeSystemInfo system;
  system.knownFolders.erase(system.knownFolders.begin());  // no LocalAppData
  system.environment.clear();                              // no ProgramW6432
  PathMacroTable table = BuildPathMacroTable(system);
  EXPECT_EQ(ExpandPathMacros(L"{localappdata}\\x.exe", table), L"\\x.exe");
  EXPECT_EQ(ExpandPathMacros(L"{commonpf}\\x.exe", table), L"{commonpf64}\\x.exe");
  EXPECT_EQ(table.size(), 5u);

  // ProgramW6432 must fit the 260-character buffer with its zero.
  system.environment[L"ProgramW6432"] = std::wstring(259, L'p');
  table = BuildPathMacroTable(system);
  ASSERT_EQ(table.size(), 6u);
  EXPECT_EQ(table.back().second, std::wstring(259, L'p'));
  system.environment[L"ProgramW6432"] = std::wstring(260, L'p');
  EXPECT_EQ(BuildPathMacroTable(system).size(), 5u);
  system.environment[L"ProgramW6432"] = L"";
  EXPECT_EQ(BuildPathMacroTable(system).size(), 5u);
}

TEST(ExpandPathMacros, OnePassCaseSensitive) {
  const PathMacroTable table{{L"commonpf", L"{commonpf64}"},
                             {L"localappdata", L"L"},
                             {L"programdata", L"P"},
                             {L"commonpf64", L"N"}};
  const struct {
    const wchar_t* text;
    const wchar_t* expanded;
  } cases[] = {
      {L"", L""},
      {L"C:\\plain\\path", L"C:\\plain\\path"},
      {L"{programdata}\\a\\{programdata}", L"P\\a\\P"},
      {L"{programdata}{localappdata}", L"PL"},
      {L"{PROGRAMDATA}\\a", L"{PROGRAMDATA}\\a"},
      {L"{unknown}\\a", L"{unknown}\\a"},
      {L"{programdata\\a", L"{programdata\\a"},
      {L"{commonpf}{commonpf}", L"NN"},
      {L"{{programdata}}", L"{P}"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathMacros(c.text, table), c.expanded) << Narrow(c.text);
  // A value holding its own token is not expanded again.
  EXPECT_EQ(ExpandPathMacros(L"{a}{a}", {{L"a", L"{a}"}}), L"{a}{a}");
}

struct GetPathMacrosTest : ::testing::Test {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;
  ConfigurationManager settings{TestConstants(),
                                ConfigurationPlatform{files, system, registry, clock, dialogs}};
};

TEST_F(GetPathMacrosTest, BuiltOnceAndHandedOutAsCopies) {
  EXPECT_FALSE(settings.pathMacrosBuilt);
  EXPECT_TRUE(settings.pathMacros.empty());
  PathMacroTable first = settings.GetPathMacros();
  EXPECT_TRUE(settings.pathMacrosBuilt);
  EXPECT_EQ(first, BuildPathMacroTable(system));
  EXPECT_EQ(ExpandPathMacros(settings.productExePath, first),
            L"C:\\Users\\u\\AppData\\Roaming\\Pellio\\Pellio.exe");

  first.clear();
  system.knownFolders.clear();
  system.environment.clear();
  const int calls = system.knownFolderCalls;
  const PathMacroTable again = settings.GetPathMacros();
  EXPECT_EQ(system.knownFolderCalls, calls) << "never rebuilt";
  EXPECT_EQ(again.size(), 6u);
  EXPECT_EQ(again[1].second, L"C:\\Users\\u\\AppData\\Local");
}

TEST_F(GetPathMacrosTest, ThreadsAskingAtOnceShareOneTable) {
  std::vector<PathMacroTable> seen(8);
  std::vector<std::thread> threads;
  for (auto& table : seen) threads.emplace_back([&] { table = settings.GetPathMacros(); });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(system.knownFolderCalls, 4);
  for (const auto& table : seen) EXPECT_EQ(table, seen.front());
  EXPECT_EQ(seen.front().size(), 6u);
}

TEST(FakeEnvironment, AnswersAsGetEnvironmentVariableW) {
  FakeSystemInfo system;
  system.environment = {{L"VELLAM_TEST_VALUE", L"abcdef"}};
  wchar_t buffer[8] = {};
  EXPECT_EQ(system.ReadEnvironmentVariable(L"VELLAM_TEST_VALUE", buffer, 8), 6u);
  EXPECT_STREQ(buffer, L"abcdef");
  EXPECT_EQ(system.ReadEnvironmentVariable(L"VELLAM_TEST_VALUE", buffer, 6), 7u);
  EXPECT_EQ(system.ReadEnvironmentVariable(L"VELLAM_TEST_UNSET", buffer, 8), 0u);
}

}  // namespace
