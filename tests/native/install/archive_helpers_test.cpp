// What to start after a download: archive kinds, the extraction folder, the
// first executable, and the whole preparation with the shell and without.
#include "install/archive_helpers.h"

#include <gtest/gtest.h>

#include "zip_fixture.h"

namespace {

const std::string kSetupBytes("MZ\x90\x00 the installer", 18);

struct ArchiveHelpers : ZipFixture {
  FakeZipShell shell;
  InstallerFiles platform{files, streams, readers, shell};
  ArchiveHelpers() {
    shell.streams = &streams;
    files.directories.erase(target);  // PrepareInstaller makes it
  }
  static std::string InstallerZip() {
    ZipItem readme;
    readme.name = "readme.txt";
    readme.content = "hello";
    ZipItem setup;
    setup.name = "setup.exe";
    setup.content = kSetupBytes;
    return BuildZip({readme, setup});
  }
};

TEST_F(ArchiveHelpers, GetArchiveKindReadsTheFirstBytes) {
  const std::pair<std::string, ArchiveKind> cases[] = {
      {"PK\x03\x04rest", kArchiveZip},
      {"PK\x03\x04", kArchiveZip},
      {InstallerZip(), kArchiveZip},
      {"7z\xBC\xAF\x27\x1C\x00\x04", kArchive7Zip},
      {"7z\xBC\xAF\x27\x1C", kArchive7Zip},
      {"7z\xBC\xAF\x27", kArchiveNone},
      {"PK\x03", kArchiveNone},  // 3 bytes
      {"PK\x05\x06", kArchiveNone},
      {"MZ\x90\x00\x03\x00", kArchiveNone},
      {"", kArchiveNone},
  };
  for (const auto& [content, kind] : cases) {
    Save(L"C:\\W\\file.bin", content);
    EXPECT_EQ(GetArchiveKind(readers, L"C:\\W\\file.bin"), kind) << content;
  }
  EXPECT_EQ(GetArchiveKind(readers, L"C:\\W\\missing.zip"), kArchiveNone);
  readers.readsFail.insert(L"C:\\W\\file.bin");
  Save(L"C:\\W\\file.bin", "PK\x03\x04");
  EXPECT_EQ(GetArchiveKind(readers, L"C:\\W\\file.bin"), kArchiveNone);
}

TEST_F(ArchiveHelpers, MakeExtractFolderNamesANewFolderAfterTheArchive) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\W\\pack.zip", L"C:\\W\\pack"},
      {L"C:\\W\\setup.tool.zip", L"C:\\W\\setup.tool"},
      {L"C:\\W\\noextension", L"C:\\W\\noextension"},
      {L"C:\\Elsewhere\\pack2.zip", L"C:\\W\\pack2"},
      {L"pack3.zip", L"C:\\W\\pack3"},
      {L"C:\\W\\.zip", L"C:\\W\\archive"},
      {L"C:\\W\\con.zip", L"C:\\W\\_con"},
      {L"C:\\W\\setup..zip", L"C:\\W\\setup_"},
  };
  for (const auto& [path, folder] : cases) {
    EXPECT_EQ(MakeExtractFolder(files, path, work), folder) << path;
    EXPECT_TRUE(files.IsDirectory(folder)) << folder;
  }
}

// A folder of that name may have been planted with an executable in it:
// it is never used.
TEST_F(ArchiveHelpers, MakeExtractFolderNeverReusesWhatIsThere) {
  files.directories.insert(L"C:\\W\\pack");
  files.files.insert(L"C:\\W\\pack\\evil.exe");
  files.files.insert(L"C:\\W\\pack-2");
  files.directoryLinks[L"C:\\W\\pack-3"] = L"C:\\Windows";
  EXPECT_EQ(MakeExtractFolder(files, archive, work), L"C:\\W\\pack-4");
  EXPECT_EQ(files.foldersCreated, std::vector<std::wstring>{L"C:\\W\\pack-4"});

  for (int i = 5; i <= 100; ++i) files.directories.insert(L"C:\\W\\pack-" + std::to_wstring(i));
  EXPECT_EQ(MakeExtractFolder(files, archive, work), L"") << "no free name";
}

TEST_F(ArchiveHelpers, MakeExtractFolderGivesNothingWhenItCannotCreateOne) {
  files.createFolderErrors[L"C:\\W\\pack"] = platform::kFileErrorAccessDenied;
  EXPECT_EQ(MakeExtractFolder(files, archive, work), L"");
  EXPECT_EQ(MakeExtractFolder(files, archive, L"C:\\Missing"), L"");
  const std::wstring deep = L"C:\\W\\" + std::wstring(250, L'd');
  files.directories.insert(deep);
  EXPECT_EQ(MakeExtractFolder(files, deep + L"\\pack.zip", deep), L"") << "past MAX_PATH";
}

TEST_F(ArchiveHelpers, FindFirstExeTakesTheFirstTopLevelFile) {
  const struct {
    std::vector<std::wstring> files, folders;
    std::wstring found;
  } cases[] = {
      {{L"readme.txt", L"setup.exe"}, {}, L"setup.exe"},
      {{L"b.exe", L"c.exe"}, {}, L"b.exe"},
      {{L"SETUP.EXE"}, {}, L"SETUP.EXE"},
      {{L"tool.exe"}, {L"a.exe"}, L"tool.exe"},  // a folder named like one is passed over
      {{L"sub\\setup.exe", L"readme.txt"}, {L"sub"}, L""},
      {{L"readme.txt", L"setup.msi", L"setup.exe.txt"}, {}, L""},
      {{}, {}, L""},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.directories.insert(target);
    for (const auto& name : c.folders) fs.directories.insert(target + L"\\" + name);
    for (const auto& name : c.files) fs.files.insert(target + L"\\" + name);
    EXPECT_EQ(FindFirstExe(fs, target), c.found) << c.found;
  }
}

TEST_F(ArchiveHelpers, FindFirstExePassesOverLinksAndRefusesAShortenedSearch) {
  files.directories.insert(target);
  files.directories.insert(L"C:\\Windows");
  files.directoryLinks[target + L"\\a.exe"] = L"C:\\Windows";
  EXPECT_EQ(FindFirstExe(files, target), L"");
  files.files.insert(target + L"\\z.exe");
  EXPECT_EQ(FindFirstExe(files, target), L"z.exe");

  EXPECT_EQ(FindFirstExe(files, L"C:\\Missing"), L"");
  // Cut to fit 260 characters the pattern would name another folder.
  const std::wstring deep = L"C:\\" + std::wstring(252, L'd');
  files.directories.insert(deep);
  files.files.insert(deep + L"\\setup.exe");
  EXPECT_EQ(FindFirstExe(files, deep), L"");
}

TEST_F(ArchiveHelpers, AnythingButAZipIsStartedAsItIs) {
  for (const ArchiveKind kind : {kArchiveNone, kArchive7Zip}) {
    Save(L"C:\\W\\setup.7z", "7z\xBC\xAF\x27\x1C");
    EXPECT_EQ(PrepareInstaller(platform, L"C:\\W\\setup.7z", kind, work), L"C:\\W\\setup.7z");
  }
  EXPECT_TRUE(files.foldersCreated.empty());
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_TRUE(readers.opened.empty());
}

// Wine has no shell ZIP folder: the built-in extractor stands in.
TEST_F(ArchiveHelpers, AZipIsUnpackedByTheBuiltInExtractorWhenTheShellCannot) {
  Save(archive, InstallerZip());
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), L"C:\\W\\pack\\setup.exe");
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].second, L"C:\\W\\pack");
  EXPECT_EQ(streams.contents[L"C:\\W\\pack\\setup.exe"], kSetupBytes);
  EXPECT_EQ(streams.contents[L"C:\\W\\pack\\readme.txt"], "hello");
}

TEST_F(ArchiveHelpers, WhatTheShellUnpackedIsUsedAsItIs) {
  Save(archive, InstallerZip());
  shell.answer = true;
  shell.writes = {{L"readme.txt", "hello"}, {L"setup.exe", "MZ from the shell"}};
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), L"C:\\W\\pack\\setup.exe");
  EXPECT_EQ(streams.contents[L"C:\\W\\pack\\setup.exe"], "MZ from the shell");
  EXPECT_TRUE(readers.opened.empty()) << "the built-in extractor was not needed";
}

// A shell that answers success without copying anything has not extracted.
TEST_F(ArchiveHelpers, AShellSuccessWithNothingCopiedIsNoSuccess) {
  Save(archive, InstallerZip());
  shell.answer = true;
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), L"C:\\W\\pack\\setup.exe");
  EXPECT_EQ(streams.contents[L"C:\\W\\pack\\setup.exe"], kSetupBytes);
}

// A shell that fails halfway leaves files behind; the built-in extractor
// starts afresh in a folder of its own.
TEST_F(ArchiveHelpers, AfterAFailedShellCopyTheBuiltInExtractorUsesANewFolder) {
  Save(archive, InstallerZip());
  shell.answer = false;
  shell.writes = {{L"aaa.exe", "half-copied"}};
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), L"C:\\W\\pack-2\\setup.exe");
}

TEST_F(ArchiveHelpers, APlantedFolderIsNeverWhereTheInstallerComesFrom) {
  Save(archive, InstallerZip());
  files.directories.insert(L"C:\\W\\pack");
  Save(L"C:\\W\\pack\\aaa.exe", "planted");
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), L"C:\\W\\pack-2\\setup.exe");
}

TEST_F(ArchiveHelpers, WithoutATopLevelExecutableOrAUsableArchiveTheArchiveItselfIsReturned) {
  ZipItem nested;
  nested.name = "bin/setup.exe";
  nested.content = "MZ";
  ZipItem evil;
  evil.name = "../setup.exe";
  evil.content = "MZ";
  const std::string cases[] = {
      BuildZip({nested}),
      BuildZip({evil}),
      BuildZip({}),
      InstallerZip().substr(0, 60),
  };
  for (const std::string& content : cases) {
    FakeFileSystem fs;
    fs.directories.insert(work);
    FakeFileStreams fileStreams{fs};
    FakeFileReaders fileReaders{fileStreams};
    FakeZipShell noShell;
    fs.files.insert(archive);
    fileStreams.contents[archive] = content;
    EXPECT_EQ(PrepareInstaller({fs, fileStreams, fileReaders, noShell}, archive, kArchiveZip, work),
              archive);
    EXPECT_EQ(fs.files.count(L"C:\\setup.exe"), 0u);
    EXPECT_EQ(fs.files.count(L"C:\\W\\setup.exe"), 0u);
  }
  files.createFolderErrors[L"C:\\W\\pack"] = platform::kFileErrorAccessDenied;
  Save(archive, InstallerZip());
  EXPECT_EQ(PrepareInstaller(platform, archive, kArchiveZip, work), archive);
  EXPECT_TRUE(shell.calls.empty());
}

}  // namespace
