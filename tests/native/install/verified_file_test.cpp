#include "install/verified_file.h"

#include <gtest/gtest.h>

#include "config/digests.h"
#include "fakes/fake_install_platform.h"
#include "fakes/fake_platform.h"
#include "fakes/scripted_web.h"

namespace {

const std::wstring kFile = L"C:\\W\\setup.exe";

class VerifiedFileTest : public ::testing::Test {
 protected:
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeFileReaders readers{streams};

  void Save(const std::string& content) {
    files.files.insert(kFile);
    streams.contents[kFile] = content;
  }
};

TEST_F(VerifiedFileTest, OnlyTheNamedFileIsHandedOnStillOpen) {
  // Larger than one read, so the digest covers every chunk.
  std::string content(200000, 'x');
  content[150000] = 'y';
  Save(content);
  std::wstring failure;
  auto file = OpenVerifiedFile(readers, kFile, Sha256Hex(content), failure);
  ASSERT_TRUE(file);
  EXPECT_TRUE(failure.empty());
  EXPECT_EQ(file->Size(), content.size());

  const std::string named = Sha256Hex(content);
  content[150000] = 'x';  // one byte differs from the file that was named
  Save(content);
  EXPECT_FALSE(OpenVerifiedFile(readers, kFile, named, failure));
  EXPECT_EQ(failure.rfind(L"SHA-256 mismatch: expected ", 0), 0u) << failure;
}

TEST_F(VerifiedFileTest, UnreadableFilesAreFailuresWithTheirError) {
  Save("MZ");
  std::wstring failure;
  readers.unreadable.insert(kFile);
  EXPECT_FALSE(OpenVerifiedFile(readers, kFile, Sha256Hex("MZ"), failure));
  EXPECT_EQ(failure, L"cannot open the file to check its digest (error 5)");
  readers.unreadable.clear();
  readers.readsFail.insert(kFile);
  EXPECT_FALSE(OpenVerifiedFile(readers, kFile, Sha256Hex("MZ"), failure));
  EXPECT_EQ(failure, L"cannot read the file to check its digest (error 23)");
}

TEST_F(VerifiedFileTest, ServerTextIsNeverQuotedAsIs) {
  Save("MZ");
  std::wstring failure;
  EXPECT_FALSE(OpenVerifiedFile(readers, kFile, "\xff\n<script>", failure));
  EXPECT_EQ(failure.find(L'\n'), std::wstring::npos);
  EXPECT_EQ(failure.find(L'<'), std::wstring::npos);
}

}  // namespace
