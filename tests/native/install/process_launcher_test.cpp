// Starting installers: the quoted command line, the folder the child starts
// in, exit codes and messages, handles closed, and the task that runs it.
#include "install/process_launcher.h"

#include <gtest/gtest.h>

#include <chrono>

#include "fakes/fake_install_platform.h"

namespace {

struct LaunchFixture : ::testing::Test {
  FakeProcesses processes;
  FakeSystemMessages messages;
  LaunchPlatform platform{processes, messages};
};

TEST(LaunchCommandLine, QuotesThePathAndKeepsTheArgumentsAsTheyAre) {
  const struct {
    std::wstring path, arguments, line;
  } cases[] = {
      {L"C:\\Temp\\w\\setup.exe", L"/S /FORCEINSTALL 0101", L"\"C:\\Temp\\w\\setup.exe\" /S /FORCEINSTALL 0101"},
      {L"C:\\Program Files\\My App\\setup.exe", L"/S", L"\"C:\\Program Files\\My App\\setup.exe\" /S"},
      {L"C:\\Temp\\setup.exe", L"", L"\"C:\\Temp\\setup.exe\" "},
      {L"C:\\Temp\\setup.exe", L"--path \"C:\\a b\"", L"\"C:\\Temp\\setup.exe\" --path \"C:\\a b\""},
  };
  for (const auto& c : cases) EXPECT_EQ(LaunchCommandLine(c.path, c.arguments), c.line) << c.path;
}

TEST(LaunchFolder, IsTheProgramsOwnFolder) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\Users\\u\\AppData\\Local\\Temp\\w1\\pack\\setup.exe", L"C:\\Users\\u\\AppData\\Local\\Temp\\w1\\pack"},
      {L"C:\\setup.exe", L"C:\\"},
      {L"\\\\server\\share\\setup.exe", L"\\\\server\\share"},
      {L"setup.exe", L""},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(LaunchFolder(path), folder) << path;
}

TEST_F(LaunchFixture, StartsTheQuotedPathInItsOwnFolderWithNothingInherited) {
  LaunchProcess(platform, L"C:\\Temp\\w 1\\setup.exe", L"/S", true);
  ASSERT_EQ(processes.started.size(), 1u);
  const auto& s = processes.started[0];
  EXPECT_EQ(s.applicationName, L"C:\\Temp\\w 1\\setup.exe");
  EXPECT_EQ(s.commandLine, L"\"C:\\Temp\\w 1\\setup.exe\" /S");
  EXPECT_FALSE(s.inheritHandles);
  EXPECT_EQ(s.creationFlags, 0u);
  EXPECT_TRUE(s.hadFolder);
  EXPECT_EQ(s.folder, L"C:\\Temp\\w 1");
}

TEST_F(LaunchFixture, ABareNameStartsInTheCallersFolder) {
  LaunchProcess(platform, L"setup.exe", L"", false);
  ASSERT_EQ(processes.started.size(), 1u);
  EXPECT_FALSE(processes.started[0].hadFolder);
}

TEST_F(LaunchFixture, ANameWithoutExtensionIsStartedAsItIs) {
  LaunchProcess(platform, L"C:\\W\\stable", L"/S", true);
  ASSERT_EQ(processes.started.size(), 1u);
  EXPECT_EQ(processes.started[0].applicationName, L"C:\\W\\stable");
  EXPECT_EQ(processes.started[0].commandLine, L"\"C:\\W\\stable\" /S");
}

TEST_F(LaunchFixture, WaitedForProcessesReportTheirExitCode) {
  const struct {
    std::uint32_t code;
    std::wstring message;
  } cases[] = {
      {0, L""},
      {1, L"exit code = 1"},
      {1602, L"exit code = 1602"},
      {0xC0000005, L"exit code = 3221225477"},
      {0xFFFFFFFF, L"exit code = 4294967295"},
  };
  for (const auto& c : cases) {
    FakeProcesses p;
    p.exitCode = c.code;
    const LaunchResult result = LaunchProcess({p, messages}, L"C:\\T\\setup.exe", L"/S", true);
    EXPECT_EQ(result.exitCode, c.code);
    EXPECT_EQ(result.message, c.message);
    ASSERT_EQ(p.waitTimes.size(), 1u);
    EXPECT_EQ(p.waitTimes[0], platform::kInfinite);
    EXPECT_EQ(p.waitedFor[0], p.last.process);
    ASSERT_EQ(p.exitCodeAsked.size(), 1u);
    EXPECT_EQ(p.exitCodeAsked[0], p.last.process);
    EXPECT_TRUE(p.open.empty()) << "both handles are closed";
    EXPECT_EQ(p.closed.size(), 2u);
  }
}

TEST_F(LaunchFixture, AProcessNotWaitedForReportsTheUnknownCode) {
  const LaunchResult result = LaunchProcess(platform, L"C:\\T\\offer.exe", L"-q", false);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message, L"exit code = 4294967295");
  EXPECT_TRUE(processes.waitTimes.empty());
  EXPECT_TRUE(processes.exitCodeAsked.empty());
  EXPECT_TRUE(processes.open.empty());
}

// A wait or exit-code call that fails leaves the code unknown rather than
// reporting a success that was never seen.
TEST_F(LaunchFixture, AFailedWaitOrExitCodeCallLeavesTheCodeUnknown) {
  processes.waitResult = platform::kWaitFailed;
  LaunchResult result = LaunchProcess(platform, L"C:\\T\\setup.exe", L"", true);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message, L"exit code = 4294967295");
  EXPECT_TRUE(processes.exitCodeAsked.empty());

  FakeProcesses failing;
  failing.exitCodeCallFails = true;
  result = LaunchProcess({failing, messages}, L"C:\\T\\setup.exe", L"", true);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message, L"exit code = 4294967295");
  EXPECT_TRUE(failing.open.empty());
}

TEST_F(LaunchFixture, AStartFailureGivesTheSystemText) {
  for (const std::uint32_t error : {2u, 5u, 193u}) {
    FakeProcesses p;
    p.createError = error;
    const LaunchResult result = LaunchProcess({p, messages}, L"C:\\T\\missing.exe", L"/S", true);
    EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(result.message,
              L"Error launching executable: <text of " + std::to_wstring(error) + L">\r\n");
    EXPECT_TRUE(p.waitTimes.empty());
    EXPECT_TRUE(p.closed.empty());
  }
}

TEST_F(LaunchFixture, TheAsyncLaunchReturnsAtOnceAndCompletesWhenTheProcessEnds) {
  processes.exitCode = 3;
  processes.beforeCreate.Close();
  processes.beforeExit.Close();
  BackgroundTask<LaunchResult> task;
  {
    // The task must own its copies: these are gone before it starts.
    std::wstring path = L"C:\\Temp\\w\\setup.exe";
    std::wstring arguments = L"/S /FORCEINSTALL 1";
    task = LaunchProcessAsync(LaunchPlatform{processes, messages}, path, arguments, true);
    path.assign(40, L'x');
    arguments.assign(40, L'y');
  }
  EXPECT_FALSE(task.Ready());
  processes.beforeCreate.Open();
  EXPECT_FALSE(task.Ready()) << "the main product is waited for";
  processes.beforeExit.Open();
  const LaunchResult result = task.Take();
  EXPECT_FALSE(task.valid());
  EXPECT_EQ(result.exitCode, 3u);
  EXPECT_EQ(result.message, L"exit code = 3");
  ASSERT_EQ(processes.started.size(), 1u);
  EXPECT_EQ(processes.started[0].commandLine, L"\"C:\\Temp\\w\\setup.exe\" /S /FORCEINSTALL 1");
}

}  // namespace
