// The built-in ZIP extractor against crafted archives: good ones unpack byte
// for byte; hostile names, links, bombs and broken archives are refused
// without writing outside the folder (and, when refused up front, without
// writing at all).
#include "install/zip_extractor.h"

#include <gtest/gtest.h>

#include <random>

#include "zip_fixture.h"

namespace {

std::string Pattern(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(size, '\0');
  for (char& c : text) c = static_cast<char>(random() % 7 == 0 ? random() : 'a' + random() % 4);
  return text;
}

std::vector<ZipItem> GoodItems() {
  std::vector<ZipItem> items(6);
  items[0].name = "readme.txt";
  items[0].content = "Read me.\r\n";
  items[0].deflate = false;
  items[1].name = "setup.exe";
  items[1].content = "MZ" + Pattern(200000, 1);  // more than one read and write chunk
  items[2].name = "data/";
  items[3].name = "data/lib/core.dll";
  items[3].content = Pattern(70000, 2);
  items[4].name = "data\\empty.bin";
  items[5].name = "\xC5\x82\xC3\xB3" "d\xC5\xBA.txt";  // "łódź.txt" in UTF-8
  items[5].flags = 0x0800;
  items[5].content = "utf-8";
  return items;
}

using ZipExtractor = ZipFixture;

TEST_F(ZipExtractor, AGoodArchiveUnpacksByteForByte) {
  const auto items = GoodItems();
  ASSERT_EQ(Extract(BuildZip(items)), ZipStatus::kExtracted);
  EXPECT_EQ(streams.contents[target + L"\\readme.txt"], items[0].content);
  EXPECT_EQ(streams.contents[target + L"\\setup.exe"], items[1].content);
  EXPECT_EQ(streams.contents[target + L"\\data\\lib\\core.dll"], items[3].content);
  EXPECT_EQ(streams.contents[target + L"\\data\\empty.bin"], "");
  EXPECT_EQ(streams.contents[target + L"\\\u0142\u00f3d\u017a.txt"], "utf-8");
  EXPECT_TRUE(files.IsDirectory(target + L"\\data"));
  EXPECT_TRUE(files.IsDirectory(target + L"\\data\\lib"));
  EXPECT_EQ(streams.openFiles, 0) << "every file is closed";
}

// Without the UTF-8 flag names are code page 437, as the format says.
TEST_F(ZipExtractor, NamesWithoutTheUtf8FlagAreCodePage437) {
  ZipItem item;
  item.name = "Gr\x81\xE1" "e.txt";  // "Grüße" in code page 437
  item.content = "x";
  ASSERT_EQ(Extract(BuildZip({item})), ZipStatus::kExtracted);
  EXPECT_EQ(streams.contents[target + L"\\Gr\u00fc\u00dfe.txt"], "x");
}

TEST_F(ZipExtractor, FilesAlreadyThereAreReplacedNotWrittenThrough) {
  Save(target + L"\\setup.exe", std::string(500000, 'o'));
  ZipItem item;
  item.name = "setup.exe";
  item.content = "new";
  ASSERT_EQ(Extract(BuildZip({item})), ZipStatus::kExtracted);
  EXPECT_EQ(streams.contents[target + L"\\setup.exe"], "new");
}

TEST_F(ZipExtractor, RefusesNamesThatLeaveTheFolderOrNameADevice) {
  const std::pair<std::string, std::uint16_t> cases[] = {
      {"../evil.exe", 0},
      {"..\\evil.exe", 0},
      {"a/../../evil.exe", 0},
      {"a\\..\\..\\evil.exe", 0},
      {"..", 0},
      {"../", 0},
      {"/evil.exe", 0},
      {"\\evil.exe", 0},
      {"\\\\server\\share\\evil.exe", 0},
      {"C:/Windows/evil.exe", 0},
      {"C:evil.exe", 0},
      {"a/.../evil.exe", 0},  // Windows reads "..." as ".."
      {"a/.. /evil.exe", 0},
      {"a./b.exe", 0},
      {"a /b.exe", 0},
      {"./setup.exe", 0},
      {"a/./b.exe", 0},
      {"a//b.exe", 0},
      {"", 0},
      {"/", 0},
      {"nul", 0},
      {"data/CON.txt", 0},
      {"com1.exe", 0},
      {"LPT9", 0},
      {"setup.exe:Zone.Identifier", 0},
      {"a*b.exe", 0},
      {"a?b.exe", 0},
      {"a|b.exe", 0},
      {"a\"b.exe", 0},
      {"a<b>.exe", 0},
      {std::string("a\0b.exe", 7), 0},
      {"a\x01" "b.exe", 0},
      {"a\x1F" "b.exe", 0},
      {"\xC0\xAE\xC0\xAE/evil.exe", 0x0800},  // overlong ".." in UTF-8
      {"\xED\xA0\x80.exe", 0x0800},          // a surrogate
      {"\xFF.exe", 0x0800},
      {"\xC3", 0x0800},
      {"\xE2\x80", 0x0800},
  };
  for (const auto& [name, flags] : cases) {
    ZipItem good;
    good.name = "setup.exe";
    good.content = "MZ";
    ZipItem bad;
    bad.name = name;
    bad.flags = flags;
    bad.content = "planted";
    // The good entry comes first: nothing at all is written for a refused archive.
    EXPECT_EQ(Extract(BuildZip({good, bad})), ZipStatus::kUnsafeName) << name;
    EXPECT_EQ(Written(), 0u) << name;
  }
  EXPECT_EQ(streams.createCount, 0);
}

TEST_F(ZipExtractor, RefusesLinksAndReparsePoints) {
  const std::pair<std::uint16_t, std::uint32_t> cases[] = {
      {0x0314, 0120777u << 16},         // a symbolic link made on Unix
      {0x0314, (0120000u << 16) | 0x20},
      {0x0014, 0x400},                  // FILE_ATTRIBUTE_REPARSE_POINT
      {0x0314, (0100644u << 16) | 0x400},
  };
  for (const auto& [madeBy, attributes] : cases) {
    ZipItem link;
    link.name = "setup.exe";
    link.content = "C:\\Windows\\System32\\cmd.exe";
    link.madeBy = madeBy;
    link.attributes = attributes;
    EXPECT_EQ(Extract(BuildZip({link})), ZipStatus::kUnsafeName) << std::hex << attributes;
    EXPECT_EQ(Written(), 0u);
  }
  // A regular file made on Unix is fine, and so is a folder's mode on a folder.
  ZipItem file;
  file.name = "setup.exe";
  file.content = "MZ";
  file.madeBy = 0x0314;
  file.attributes = 0100755u << 16;
  ZipItem folder;
  folder.name = "bin/";
  folder.madeBy = 0x0314;
  folder.attributes = (040755u << 16) | 0x10;
  EXPECT_EQ(Extract(BuildZip({file, folder})), ZipStatus::kExtracted);
}

// A folder of the archive's that is already there as a link would carry
// the files elsewhere: the extraction stops instead.
TEST_F(ZipExtractor, NeverWritesThroughALinkInTheFolder) {
  files.directories.insert(L"C:\\Windows");
  files.directoryLinks[target + L"\\data"] = L"C:\\Windows";
  ZipItem item;
  item.name = "data/evil.dll";
  item.content = "x";
  EXPECT_EQ(Extract(BuildZip({item})), ZipStatus::kWriteFailed);
  EXPECT_EQ(files.files.count(target + L"\\data\\evil.dll"), 0u);
  EXPECT_EQ(files.files.count(L"C:\\Windows\\evil.dll"), 0u);
  EXPECT_EQ(streams.createCount, 0);
}

TEST_F(ZipExtractor, EntriesThatAddUpPastTheBoundAreRefusedUpFront) {
  ZipItem a;
  a.name = "a.bin";
  a.content = std::string(600, 'a');
  ZipItem b = a;
  b.name = "b.bin";
  EXPECT_EQ(Extract(BuildZip({a, b}), 1000), ZipStatus::kTooLarge);
  EXPECT_EQ(Written(), 0u);

  // The classic bomb: sizes that claim gigabytes.
  ZipItem bomb;
  bomb.name = "bomb.bin";
  bomb.content = "tiny";
  bomb.size = 0xFFFFFFFE;
  std::vector<ZipItem> bombs(40, bomb);
  for (std::size_t i = 0; i < bombs.size(); ++i) bombs[i].name = "b" + std::to_string(i);
  EXPECT_EQ(Extract(BuildZip(bombs)), ZipStatus::kTooLarge);
  EXPECT_EQ(Written(), 0u);

  EXPECT_EQ(Extract(BuildZip({a, b}), 1200), ZipStatus::kExtracted);
}

// An entry that claims a small size but inflates to far more stops at the
// size it claimed.
TEST_F(ZipExtractor, AnEntryThatInflatesPastItsRecordedSizeIsStopped) {
  const std::string huge(64u << 20, '\0');  // 64 MiB of zeros deflate to about 64 KiB
  ZipItem bomb;
  bomb.name = "bomb.bin";
  bomb.data = Deflate(huge);
  bomb.method = 8;
  bomb.size = 100000;
  bomb.crc = Crc(huge);
  ASSERT_LT(bomb.data->size(), 200000u);
  EXPECT_EQ(Extract(BuildZip({bomb})), ZipStatus::kTooLarge);
  EXPECT_LE(streams.contents[target + L"\\bomb.bin"].size(), 100000u);
}

// An installer of several MiB passes through the inflater's window many
// times and reaches the file in bounded writes, never whole.
TEST_F(ZipExtractor, ALargeEntryIsWrittenPieceByPiece) {
  ZipItem item;
  item.name = "setup.exe";
  item.content = "MZ" + Pattern(5u << 20, 9);
  ASSERT_EQ(Extract(BuildZip({item})), ZipStatus::kExtracted);
  EXPECT_TRUE(streams.contents[target + L"\\setup.exe"] == item.content);
  EXPECT_GT(streams.writeSizes.size(), 40u);
  for (const std::size_t size : streams.writeSizes) EXPECT_LE(size, 128u * 1024);
}

// A disk that fills up, at the first write or later, is a write failure
// whether the entry is stored or deflated.
TEST_F(ZipExtractor, AFailedWriteIsAWriteFailure) {
  for (const bool deflate : {false, true}) {
    for (const std::size_t limit : {std::size_t{0}, std::size_t{300000}}) {
      SCOPED_TRACE(std::string(deflate ? "deflated" : "stored") + ", disk full at " +
                   std::to_string(limit));
      ZipItem item;
      item.name = "setup.exe";
      item.content = Pattern(1u << 20, 4);
      item.deflate = deflate;
      streams.writeLimit = limit;
      EXPECT_EQ(Extract(BuildZip({item})), ZipStatus::kWriteFailed);
      EXPECT_LE(streams.contents[target + L"\\setup.exe"].size(), limit);
    }
  }
}

TEST_F(ZipExtractor, UnsupportedArchivesAreRefused) {
  ZipItem base;
  base.name = "setup.exe";
  base.content = "MZ";
  std::vector<ZipItem> cases(6, base);
  cases[0].flags = 0x0001;       // encrypted
  cases[1].flags = 0x0041;       // strong encryption
  cases[2].method = 12;          // bzip2
  cases[3].method = 14;          // LZMA
  cases[4].size = 0xFFFFFFFF;    // ZIP64 sizes
  cases[5].flags = 0x2000;       // masked local headers
  for (const ZipItem& item : cases) {
    EXPECT_EQ(Extract(BuildZip({item})), ZipStatus::kUnsupported) << item.flags;
    EXPECT_EQ(Written(), 0u);
  }
  ZipOptions spanned;
  spanned.disk = 1;
  EXPECT_EQ(Extract(BuildZip({base}, spanned)), ZipStatus::kUnsupported);
  ZipOptions zip64;
  zip64.entryCount = 0xFFFF;
  EXPECT_EQ(Extract(BuildZip({base}, zip64)), ZipStatus::kUnsupported);
}

TEST_F(ZipExtractor, AnEmptyOrMissingArchiveIsNoSuccess) {
  EXPECT_EQ(Extract(BuildZip({})), ZipStatus::kEmpty);
  EXPECT_EQ(ExtractZip(zip, L"C:\\W\\missing.zip", target), ZipStatus::kCannotOpen);
  readers.unreadable.insert(archive);
  EXPECT_EQ(Extract(BuildZip(GoodItems())), ZipStatus::kCannotOpen);
  readers.unreadable.clear();
  readers.readsFail.insert(archive);
  EXPECT_NE(Extract(BuildZip(GoodItems())), ZipStatus::kExtracted);
}

TEST_F(ZipExtractor, ACommentAfterTheDirectoryIsFine) {
  ZipOptions options;
  options.comment = std::string(300, 'c') + "PK\x05\x06";  // a false end signature in the comment
  ZipItem item;
  item.name = "setup.exe";
  item.content = "MZ";
  EXPECT_EQ(Extract(BuildZip({item}, options)), ZipStatus::kExtracted);
}

// Cut anywhere, the archive fails cleanly: never a success, never a read
// outside the file (the sanitizers watch), never a write outside the folder.
TEST_F(ZipExtractor, ATruncatedArchiveFailsWhereverItIsCut) {
  const std::string whole = BuildZip(GoodItems());
  for (std::size_t size = 0; size < whole.size(); size += (size < 600 || whole.size() - size < 600) ? 1 : 997) {
    EXPECT_NE(Extract(whole.substr(0, size)), ZipStatus::kExtracted) << size;
  }
}

TEST_F(ZipExtractor, DamagedDataOrBrokenRecordsFailCleanly) {
  ZipItem stored;
  stored.name = "a.txt";
  stored.content = "stored content";
  stored.deflate = false;
  ZipItem deflated;
  deflated.name = "b.txt";
  deflated.content = Pattern(5000, 3);
  const std::string whole = BuildZip({stored, deflated});

  // A byte of the stored data, of the deflated data, and a wrong checksum.
  for (const std::size_t at : {std::size_t{35}, std::size_t{100}, std::size_t{500}}) {
    std::string damaged = whole;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x55);
    EXPECT_EQ(Extract(damaged), ZipStatus::kCorrupt) << at;
  }
  ZipItem wrongCrc = stored;
  wrongCrc.crc = 1234;
  EXPECT_EQ(Extract(BuildZip({wrongCrc})), ZipStatus::kCorrupt);
  ZipItem shortStored = stored;
  shortStored.compressedSize = 3;
  EXPECT_EQ(Extract(BuildZip({shortStored})), ZipStatus::kCorrupt);
  ZipItem cutStream = deflated;
  cutStream.data = Deflate(deflated.content).substr(0, 100);
  EXPECT_EQ(Extract(BuildZip({cutStream})), ZipStatus::kCorrupt);
  ZipItem sizeTooBig = deflated;
  sizeTooBig.size = 5001;
  EXPECT_EQ(Extract(BuildZip({sizeTooBig})), ZipStatus::kCorrupt);
  ZipItem notDeflate = stored;
  notDeflate.method = 8;  // stored bytes read as deflate
  EXPECT_EQ(Extract(BuildZip({notDeflate})), ZipStatus::kCorrupt);

  ZipOptions pastEnd;
  pastEnd.directoryOffset = static_cast<std::uint32_t>(whole.size());
  EXPECT_EQ(Extract(BuildZip({stored}, pastEnd)), ZipStatus::kCorrupt);
  ZipOptions moreEntries;
  moreEntries.entryCount = 3;
  EXPECT_EQ(Extract(BuildZip({stored, deflated}, moreEntries)), ZipStatus::kCorrupt);
  EXPECT_EQ(Extract("PK\x03\x04 not really a zip"), ZipStatus::kCorrupt);
}

// Random damage anywhere: whatever the outcome, it is a status, and nothing
// lands outside the folder.
TEST_F(ZipExtractor, RandomDamageNeverEscapesTheFolder) {
  const std::string whole = BuildZip(GoodItems());
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    std::string damaged = whole;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips) {
      damaged[random() % damaged.size()] = static_cast<char>(random());
    }
    Extract(damaged, 1u << 20);
    for (const auto& path : files.files) {
      EXPECT_TRUE(path == archive || path.rfind(target + L"\\", 0) == 0) << round;
    }
  }
}

}  // namespace
