// The launcher and the installed-files helpers on a real system: processes
// started from a folder with blanks in its path, in their own folder, with
// their exit codes; real ZIP files unpacked by the built-in extractor (Wine
// has no shell ZIP folder) and the executable found in them started; a 7-Zip
// file passed on unchanged.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/working_folder_cleanup.h"
#include "config/digests.h"
#include "install/archive_helpers.h"
#include "install/process_launcher.h"
#include "install/verified_file.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\'));
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The child's record: its command line and its current folder.
struct Record {
  std::wstring commandLine;
  std::wstring folder;
};

bool ReadRecord(const std::wstring& path, Record& record) {
  const std::string bytes = ReadBytes(path);
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  const auto first = text.find(L'\n');
  if (first == std::wstring::npos) return false;
  const auto second = text.find(L'\n', first + 1);
  if (second == std::wstring::npos) return false;
  record.commandLine = text.substr(0, first);
  record.folder = text.substr(first + 1, second - first - 1);
  return true;
}

bool SameFolder(std::wstring a, std::wstring b) {
  while (!a.empty() && a.back() == L'\\') a.pop_back();
  while (!b.empty() && b.back() == L'\\') b.pop_back();
  return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"vellam launch " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    work_ = root_ + L"\\work folder";
    ASSERT_TRUE(CreateDirectoryW(work_.c_str(), nullptr));
    child_ = work_ + L"\\stand in setup.exe";
    ASSERT_TRUE(CopyFileW((OwnFolder() + L"\\win32_launch_child.exe").c_str(), child_.c_str(), TRUE));
    // The wizard's own folder stands in for Downloads: the child must not start there.
    downloads_ = root_ + L"\\Downloads";
    ASSERT_TRUE(CreateDirectoryW(downloads_.c_str(), nullptr));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    previousFolder_ = current;
    ASSERT_TRUE(SetCurrentDirectoryW(downloads_.c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousFolder_.c_str());
    DeleteFolderRecursive(w::RealFileSystem(), root_);
    EXPECT_FALSE(Exists(root_));
  }

  std::wstring Archive(const wchar_t* name) {
    const std::wstring copy = work_ + L"\\" + name;
    CopyFileW((OwnFolder() + L"\\launch-archives\\" + name).c_str(), copy.c_str(), FALSE);
    return copy;
  }

  LaunchPlatform platform_{w::RealProcesses(), w::RealSystemMessages()};
  InstallerFiles files_{w::RealFileSystem(), w::RealFileStreams(), w::RealFileReaders(), w::RealZipShell()};
  std::wstring root_, work_, child_, downloads_, previousFolder_;
};

TEST_F(Launch, AWaitedForProcessStartsQuotedInItsOwnFolderAndReportsItsExitCode) {
  const struct {
    std::wstring code;
    std::uint32_t exitCode;
    std::wstring message;
  } cases[] = {
      {L"0", 0, L""},
      {L"7", 7, L"exit code = 7"},
      {L"1602", 1602, L"exit code = 1602"},
      {L"3221225477", 0xC0000005, L"exit code = 3221225477"},
  };
  for (const auto& c : cases) {
    const std::wstring record = root_ + L"\\record " + c.code + L".txt";
    const std::wstring arguments = L"\"" + record + L"\" " + c.code;
    const LaunchResult result = LaunchProcess(platform_, child_, arguments, true);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.message, c.message);
    Record seen;
    ASSERT_TRUE(ReadRecord(record, seen)) << c.code;
    EXPECT_EQ(seen.commandLine, L"\"" + child_ + L"\" " + arguments);
    EXPECT_TRUE(SameFolder(seen.folder, work_)) << seen.folder;
  }
}

// A download named after its URL may have no extension (".../stable"):
// it still starts, as itself.
TEST_F(Launch, AProgramWithoutExtensionStartsAsItIs) {
  const std::wstring bare = work_ + L"\\stable";
  ASSERT_TRUE(CopyFileW(child_.c_str(), bare.c_str(), TRUE));
  const std::wstring record = root_ + L"\\record bare.txt";
  const LaunchResult result = LaunchProcess(platform_, bare, L"\"" + record + L"\" 0", true);
  EXPECT_EQ(result.exitCode, 0u) << result.message;
  Record seen;
  EXPECT_TRUE(ReadRecord(record, seen));
}

// The digest check's file stays open from the check until the installer has
// started: meanwhile nobody can replace or change it, yet it starts.
TEST_F(Launch, AVerifiedFileCannotBeChangedAndStillStarts) {
  std::string content;
  {
    const HANDLE file = CreateFileW(child_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    content.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
  }
  std::wstring failure;
  auto held = OpenVerifiedFile(w::RealFileReaders(), child_, Sha256Hex(content), failure);
  ASSERT_TRUE(held) << failure;
  const HANDLE writer = CreateFileW(child_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_FALSE(DeleteFileW(child_.c_str()));
  EXPECT_FALSE(MoveFileExW(child_.c_str(), (child_ + L".old").c_str(), 0));

  const std::wstring record = root_ + L"\\record held.txt";
  const LaunchResult result = LaunchProcess(platform_, child_, L"\"" + record + L"\" 0", true);
  EXPECT_EQ(result.exitCode, 0u) << result.message;

  EXPECT_FALSE(OpenVerifiedFile(w::RealFileReaders(), child_, Sha256Hex(content + "x"), failure));
}

TEST_F(Launch, AProcessNotWaitedForIsLeftRunning) {
  const std::wstring record = root_ + L"\\record.txt";
  const std::wstring go = root_ + L"\\go";
  // The child waits for us, so a launcher that waited would never return.
  const LaunchResult result =
      LaunchProcess(platform_, child_, L"\"" + record + L"\" 5 \"" + go + L"\"", false);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message, L"exit code = 4294967295");
  EXPECT_FALSE(Exists(record));
  WriteBytes(go, "go");
  Record seen;
  for (int i = 0; i < 3000 && !ReadRecord(record, seen); ++i) Sleep(10);
  EXPECT_TRUE(SameFolder(seen.folder, work_)) << seen.folder;
  // The child may still hold the record open for a moment.
  for (int i = 0; i < 300 && !DeleteFileW(record.c_str()); ++i) Sleep(10);
}

TEST_F(Launch, AMissingProgramGivesTheSystemText) {
  const LaunchResult result = LaunchProcess(platform_, work_ + L"\\missing.exe", L"/S", true);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message, L"Error launching executable: " + w::RealSystemMessages().SystemMessageText(ERROR_FILE_NOT_FOUND));
  EXPECT_GT(result.message.size(), std::wstring(L"Error launching executable: ").size());
}

TEST_F(Launch, TheAsyncLaunchDeliversTheResult) {
  const std::wstring record = root_ + L"\\async.txt";
  BackgroundTask<LaunchResult> task = LaunchProcessAsync(platform_, child_, L"\"" + record + L"\" 9", true);
  const LaunchResult result = task.Take();
  EXPECT_EQ(result.exitCode, 9u);
  EXPECT_EQ(result.message, L"exit code = 9");
  EXPECT_TRUE(Exists(record));
}

TEST_F(Launch, GetArchiveKindOnRealFiles) {
  WriteBytes(work_ + L"\\three.bin", "PK\x03");
  EXPECT_EQ(GetArchiveKind(w::RealFileReaders(), work_ + L"\\three.bin"), kArchiveNone);
  EXPECT_EQ(GetArchiveKind(w::RealFileReaders(), child_), kArchiveNone);
  EXPECT_EQ(GetArchiveKind(w::RealFileReaders(), Archive(L"pack.zip")), kArchiveZip);
  EXPECT_EQ(GetArchiveKind(w::RealFileReaders(), Archive(L"pack.7z")), kArchive7Zip);
  EXPECT_EQ(GetArchiveKind(w::RealFileReaders(), work_ + L"\\missing.zip"), kArchiveNone);
}

TEST_F(Launch, AZipIsUnpackedAndItsFirstTopLevelExecutableStarted) {
  const std::wstring zip = Archive(L"pack.zip");
  const std::wstring installer = PrepareInstaller(files_, zip, kArchiveZip, work_);
  EXPECT_EQ(installer, work_ + L"\\pack\\setup.exe");
  EXPECT_EQ(ReadBytes(installer), ReadBytes(child_)) << "unpacked byte for byte";
  EXPECT_EQ(ReadBytes(work_ + L"\\pack\\readme.txt"), "Read me first.\r\n");
  EXPECT_EQ(ReadBytes(work_ + L"\\pack\\tools\\helper.exe"), ReadBytes(child_));

  const std::wstring record = root_ + L"\\from zip.txt";
  const LaunchResult result = LaunchProcess(platform_, installer, L"\"" + record + L"\" 0", true);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(result.message, L"");
  Record seen;
  ASSERT_TRUE(ReadRecord(record, seen));
  EXPECT_TRUE(SameFolder(seen.folder, work_ + L"\\pack")) << seen.folder;

  // A second download of the same name never reuses that folder.
  EXPECT_EQ(PrepareInstaller(files_, zip, kArchiveZip, work_), work_ + L"\\pack-2\\setup.exe");
}

TEST_F(Launch, TheBuiltInExtractorUnpacksAZipFromAnotherWriter) {
  const std::wstring zip = Archive(L"pack.zip");
  const std::wstring folder = work_ + L"\\built in";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // Something already at an entry's path is replaced, never written into.
  WriteBytes(folder + L"\\readme.txt", std::string(100000, 'o'));
  const ZipPlatform zipPlatform{w::RealFileReaders(), w::RealFileStreams(), w::RealFileSystem()};
  EXPECT_EQ(ExtractZip(zipPlatform, zip, folder), ZipStatus::kExtracted);
  EXPECT_EQ(ReadBytes(folder + L"\\readme.txt"), "Read me first.\r\n");
  EXPECT_EQ(ReadBytes(folder + L"\\setup.exe"), ReadBytes(child_));
  EXPECT_EQ(ReadBytes(folder + L"\\tools\\helper.exe"), ReadBytes(child_));
  EXPECT_EQ(ExtractZip(zipPlatform, Archive(L"escape.zip"), folder), ZipStatus::kUnsafeName);
  EXPECT_FALSE(Exists(work_ + L"\\escaped.exe"));
  EXPECT_EQ(ExtractZip(zipPlatform, Archive(L"pack.7z"), folder), ZipStatus::kCorrupt);
}

// Whatever the system's shell offers, an archive it cannot open is no success.
TEST_F(Launch, TheShellReportsNoSuccessForWhatItCannotOpen) {
  EXPECT_FALSE(w::RealZipShell().ExtractZipWithShell(work_ + L"\\missing.zip", work_));
  const std::wstring sevenZip = Archive(L"pack.7z");
  EXPECT_FALSE(w::RealZipShell().ExtractZipWithShell(sevenZip, work_));
}

TEST_F(Launch, ASevenZipFileIsPassedOnAndFailsToStart) {
  const std::wstring archive = Archive(L"pack.7z");
  const ArchiveKind kind = GetArchiveKind(w::RealFileReaders(), archive);
  EXPECT_EQ(PrepareInstaller(files_, archive, kind, work_), archive);
  EXPECT_FALSE(Exists(work_ + L"\\pack"));
  const LaunchResult result = LaunchProcess(platform_, archive, L"/S", true);
  EXPECT_EQ(result.exitCode, 0xFFFFFFFFu);
  EXPECT_EQ(result.message.rfind(L"Error launching executable: ", 0), 0u) << result.message;
}

TEST_F(Launch, ArchivesWithoutATopLevelExecutableOrWithAnEscapeAreStartedAsThemselves) {
  const std::wstring noExe = Archive(L"noexe.zip");
  EXPECT_EQ(PrepareInstaller(files_, noExe, kArchiveZip, work_), noExe);
  EXPECT_TRUE(Exists(work_ + L"\\noexe\\bin\\setup.exe")) << "unpacked, just not at the top";

  const std::wstring escape = Archive(L"escape.zip");
  EXPECT_EQ(PrepareInstaller(files_, escape, kArchiveZip, work_), escape);
  EXPECT_FALSE(Exists(work_ + L"\\escaped.exe"));
  EXPECT_FALSE(Exists(work_ + L"\\escape\\setup.exe")) << "nothing written for a hostile archive";
}

}  // namespace
