#include "app/working_folder_cleanup.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "support/test_constants.h"

namespace {

const std::wstring kWork = L"C:\\Temp\\ISVA1.tmp";

struct CleanupTest : ::testing::Test {
  FakeFileSystem files;

  void AddFolder(const std::wstring& relative) { files.directories.insert(Path(relative)); }
  void AddFile(const std::wstring& relative) { files.files.insert(Path(relative)); }
  static std::wstring Path(const std::wstring& relative) {
    return relative.empty() ? kWork : kWork + L"\\" + relative;
  }
  std::set<std::wstring> Registered() const {
    return {files.restartDeletions.begin(), files.restartDeletions.end()};
  }
};

TEST_F(CleanupTest, NothingAtThePathOrAnEmptyFolderIsLeftAlone) {
  DeleteFolderRecursive(files, kWork);  // nothing there
  EXPECT_TRUE(files.restartDeletions.empty());

  AddFolder(L"");
  DeleteFolderRecursive(files, kWork);
  EXPECT_EQ(files.directories.count(kWork), 1u) << "an empty working folder stays";
  EXPECT_TRUE(files.restartDeletions.empty());
}

TEST_F(CleanupTest, RemovesNestedContentDepthFirstAndTheFolder) {
  AddFolder(L"");
  AddFile(L"Pellio_setup.exe");
  AddFolder(L"offers");
  AddFile(L"offers\\a.exe");
  AddFolder(L"offers\\deep");
  AddFolder(L"offers\\deep\\deeper");
  AddFile(L"offers\\deep\\deeper\\b.zip");
  AddFolder(L"offers\\empty");
  AddFolder(L"empty top");

  DeleteFolderRecursive(files, kWork);

  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.directories.empty());
  EXPECT_TRUE(files.restartDeletions.empty()) << "nothing is left for the restart";
}

TEST_F(CleanupTest, OddNamesAreJoinedWithOneBackslash) {
  AddFolder(L"");
  const std::vector<std::wstring> names = {
      L"no extension", L".hidden", L"a..b", L"spaces  inside .exe", L"\u00fcml\u00e4ut \u0142\u00f3d\u017a",
      L"\u4e2d\u6587.msi", L"semi;colon,and=equals", L"brace{PRODUCT_TITLE}[x]", L"%TEMP%"};
  for (const auto& name : names) AddFile(name);
  AddFolder(L"folder.with.dots");
  AddFile(L"folder.with.dots\\x.tmp");

  DeleteFolderRecursive(files, kWork);

  EXPECT_TRUE(files.files.empty());
  EXPECT_TRUE(files.directories.empty());
  EXPECT_TRUE(files.restartDeletions.empty());
}

// A file that cannot be deleted now is registered for the restart together
// with every folder that still holds it; the rest goes at once.
TEST_F(CleanupTest, FilesThatCannotBeDeletedWaitForTheRestart) {
  struct Case {
    const char* name;
    std::wstring lockedFile;
    std::uint32_t error;
    std::set<std::wstring> registered;
  };
  const std::vector<Case> cases = {
      {"held open at the top", L"running.exe", platform::kFileErrorSharingViolation,
       {Path(L"running.exe"), kWork}},
      {"access denied at the top", L"readonly.dat", platform::kFileErrorAccessDenied,
       {Path(L"readonly.dat"), kWork}},
      {"held open two levels down", L"sub\\inner\\running.exe",
       platform::kFileErrorSharingViolation,
       {Path(L"sub\\inner\\running.exe"), Path(L"sub\\inner"), Path(L"sub"), kWork}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    AddFolder(L"");
    AddFolder(L"sub");
    AddFolder(L"sub\\inner");
    AddFile(L"sub\\inner\\other.txt");
    AddFile(L"sub\\sibling.txt");
    AddFolder(L"sub\\empty");
    AddFile(L"plain.txt");
    AddFile(c.lockedFile);
    files.deleteFileErrors[Path(c.lockedFile)] = c.error;

    DeleteFolderRecursive(files, kWork);

    EXPECT_EQ(files.files, std::set<std::wstring>{Path(c.lockedFile)});
    EXPECT_EQ(Registered(), c.registered);
    EXPECT_EQ(files.restartDeletions.size(), c.registered.size()) << "each path once";
    // Folders not on the locked file's path are gone.
    EXPECT_EQ(files.directories.count(Path(L"sub\\empty")), 0u);
  }
}

TEST_F(CleanupTest, OtherDeleteFailuresAreRegisteredThroughTheFolderRemoval) {
  // A failure other than 5 or 32 is not registered by the file step; the
  // folder step then finds a file and registers it.
  AddFolder(L"");
  AddFile(L"odd.bin");
  files.deleteFileErrors[Path(L"odd.bin")] = 1920;  // ERROR_CANT_ACCESS_FILE

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(Registered(), (std::set<std::wstring>{Path(L"odd.bin"), kWork}));
}

TEST_F(CleanupTest, FolderRemovalFailures) {
  struct Case {
    const char* name;
    std::uint32_t error;
    bool registered;
  };
  // Access denied and sharing violation on a sub-folder are left as they
  // are; any other failure of an existing folder waits for the restart.
  const std::vector<Case> cases = {
      {"access denied", platform::kFileErrorAccessDenied, false},
      {"sharing violation", platform::kFileErrorSharingViolation, false},
      {"another failure", 1359 /* ERROR_INTERNAL_ERROR */, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files = FakeFileSystem();
    AddFolder(L"");
    AddFolder(L"stuck");
    files.removeFolderErrors[Path(L"stuck")] = c.error;

    DeleteFolderRecursive(files, kWork);

    EXPECT_EQ(files.directories.count(Path(L"stuck")), 1u);
    EXPECT_EQ(Registered().count(Path(L"stuck")), c.registered ? 1u : 0u);
    // The working folder itself still holds "stuck": registered in every case.
    EXPECT_EQ(Registered().count(kWork), 1u);
  }
}

TEST_F(CleanupTest, AnUnlistableFolderIsRegisteredForTheRestart) {
  AddFolder(L"");
  AddFile(L"a.txt");
  files.unlistableFolders.insert(kWork);

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(files.files.count(Path(L"a.txt")), 1u);
  EXPECT_EQ(files.restartDeletions, std::vector<std::wstring>{kWork});
}

TEST_F(CleanupTest, AFailedRestartRegistrationIsNotRetriedOrReported) {
  AddFolder(L"");
  AddFile(L"running.exe");
  files.deleteFileErrors[Path(L"running.exe")] = platform::kFileErrorSharingViolation;
  files.restartRegistrationFails = true;

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(files.restartDeletions, (std::vector<std::wstring>{Path(L"running.exe"), kWork}));
}

// Junctions planted inside the working folder (or in place of it) point
// anywhere: they go as links, and what they point to is never entered,
// deleted or registered for the restart.
TEST_F(CleanupTest, LinksAreRemovedAsLinksAndTheirTargetsSurvive) {
  files.directories.insert(L"C:\\Windows\\System32");
  files.files.insert(L"C:\\Windows\\System32\\kernel32.dll");
  AddFolder(L"");
  AddFile(L"setup.exe");
  AddFolder(L"offers");
  files.directoryLinks[Path(L"offers\\system")] = L"C:\\Windows\\System32";
  files.directoryLinks[Path(L"junction")] = L"C:\\Windows\\System32";

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(files.files.count(L"C:\\Windows\\System32\\kernel32.dll"), 1u);
  EXPECT_EQ(files.directories.count(L"C:\\Windows\\System32"), 1u);
  EXPECT_TRUE(files.directoryLinks.empty()) << "both links removed";
  EXPECT_EQ(files.directories.count(kWork), 0u);
  EXPECT_TRUE(files.restartDeletions.empty());
}

TEST_F(CleanupTest, ALinkThatCannotBeRemovedIsNeitherFollowedNorRegistered) {
  files.directories.insert(L"C:\\Users\\u\\Documents");
  files.files.insert(L"C:\\Users\\u\\Documents\\thesis.doc");
  AddFolder(L"");
  files.directoryLinks[Path(L"docs")] = L"C:\\Users\\u\\Documents";
  files.removeFolderErrors[Path(L"docs")] = platform::kFileErrorAccessDenied;

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(files.files.count(L"C:\\Users\\u\\Documents\\thesis.doc"), 1u);
  for (const auto& path : files.restartDeletions) {
    EXPECT_NE(path, Path(L"docs")) << "a link is never registered";
    EXPECT_EQ(path.rfind(L"C:\\Users", 0), std::wstring::npos) << "outside the working folder";
  }
}

TEST_F(CleanupTest, AWorkingFolderReplacedByALinkIsRemovedAsALink) {
  files.directories.insert(L"C:\\Program Files");
  files.files.insert(L"C:\\Program Files\\app.exe");
  files.directoryLinks[kWork] = L"C:\\Program Files";

  DeleteFolderRecursive(files, kWork);

  EXPECT_EQ(files.files.count(L"C:\\Program Files\\app.exe"), 1u);
  EXPECT_EQ(files.directoryLinks.count(kWork), 0u);
  EXPECT_TRUE(files.restartDeletions.empty());
}

struct CleanupWorkingFolderTest : CleanupTest {
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;

  std::unique_ptr<ConfigurationManager> MakeSettings() {
    return std::make_unique<ConfigurationManager>(
        TestConstants(), ConfigurationPlatform{files, system, registry, clock, dialogs});
  }
};

TEST_F(CleanupWorkingFolderTest, DeletesTheSettingsWorkFolder) {
  auto settings = MakeSettings();
  ASSERT_FALSE(settings->workFolder.empty());
  const std::wstring work = settings->workFolder;
  files.files.insert(work + L"\\setup.exe");

  CleanupWorkingFolder(*settings, files);

  EXPECT_EQ(files.directories.count(work), 0u);
  EXPECT_EQ(files.files.count(work + L"\\setup.exe"), 0u);
}

TEST_F(CleanupWorkingFolderTest, ReleasesTheHeldFolderAndRemovesItEvenWhenEmpty) {
  auto settings = MakeSettings();
  const std::wstring work = settings->workFolder;
  ASSERT_EQ(files.heldFolders.count(work), 1u);

  CleanupWorkingFolder(*settings, files);

  EXPECT_EQ(files.heldFolders.count(work), 0u);
  EXPECT_EQ(files.directories.count(work), 0u) << "an empty working folder goes too";
  EXPECT_TRUE(files.restartDeletions.empty());
}

TEST_F(CleanupWorkingFolderTest, AnEmptyWorkFolderPathTouchesNothing) {
  auto settings = MakeSettings();
  settings->workFolder.clear();
  // Content that an empty path must never reach (the relative root).
  files.directories.insert(L"");
  files.files.insert(L"\\boot.ini");

  CleanupWorkingFolder(*settings, files);

  EXPECT_EQ(files.files.count(L"\\boot.ini"), 1u);
  EXPECT_TRUE(files.restartDeletions.empty());
}

}  // namespace
