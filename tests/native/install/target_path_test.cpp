// File names from URLs, names made safe for Windows, and the target folder.
#include "install/target_path.h"

#include <gtest/gtest.h>

#include "download_fixture.h"

namespace {

TEST(FileNameFromUrl, TakesEverythingAfterTheLastSlash) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"https://h.test/dir/setup.exe?x=1", L"setup.exe?x=1"},
      {L"https://h.test/dir/setup.exe", L"setup.exe"},
      {L"https://h.test/dir/", L""},
      {L"https://h.test", L"h.test"},
      {L"setup.exe", L""},
      {L"", L""},
      {L"https://h.test/a?next=/b/c.exe", L"c.exe"},
  };
  for (const auto& [url, name] : cases) EXPECT_EQ(FileNameFromUrl(url), name) << url;
}

TEST(SafeFileName, ReplacesWhatWindowsRefusesInANameAndNothingElse) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"setup.exe?x=1", L"setup.exe_x=1"},
      {L"Pellio Setup (1).exe", L"Pellio Setup (1).exe"},
      {L"a<b>c:d\"e|f*g", L"a_b_c_d_e_f_g"},
      {L"..\\..\\Windows\\evil.exe", L".._.._Windows_evil.exe"},
      {L"file.exe:stream", L"file.exe_stream"},
      {L"tab\there", L"tab_here"},
      {L"\u0142\u00f3d\u017a.exe", L"\u0142\u00f3d\u017a.exe"},
      {L"..", L""},
      {L".", L""},
      {L"", L""},
      {L"..exe", L"..exe"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(SafeFileName(name), safe) << name;
}

// Names Windows would open as a device, or save under another name, never
// reach CreateFileW as they are.
TEST(SafeFileName, DeviceNamesAndTrailingDotsOrBlanksAreMadeHarmless) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"CON", L"_CON"},
      {L"con.exe", L"_con.exe"},
      {L"Nul.tar.gz", L"_Nul.tar.gz"},
      {L"PRN.txt", L"_PRN.txt"},
      {L"aux", L"_aux"},
      {L"COM0", L"_COM0"},
      {L"com9.exe", L"_com9.exe"},
      {L"LPT1", L"_LPT1"},
      {L"lpt5.zip", L"_lpt5.zip"},
      {L"COM\u00B9.exe", L"_COM\u00B9.exe"},
      {L"CONIN$", L"_CONIN$"},
      {L"conout$.log", L"_conout$.log"},
      {L"CON .txt", L"_CON .txt"},
      {L"setup.exe.", L"setup.exe_"},
      {L"setup.exe ", L"setup.exe_"},
      {L"setup. .", L"setup___"},
      {L"CON.", L"CON_"},  // the dot would have been dropped: "CON_" is no device
      {L"CONSOLE.exe", L"CONSOLE.exe"},
      {L"COM10.exe", L"COM10.exe"},
      {L"LPT.exe", L"LPT.exe"},
      {L"xNUL.exe", L"xNUL.exe"},
      {L"setup-con.exe", L"setup-con.exe"},
      {L"a.con", L"a.con"},
  };
  for (const auto& [name, safe] : cases) EXPECT_EQ(SafeFileName(name), safe) << name;
}

TEST(AppendFileName, JoinsWithOneBackslashWithinMaxPath) {
  std::wstring path;
  EXPECT_TRUE(AppendFileName(L"C:\\dl", L"a.exe", path));
  EXPECT_EQ(path, L"C:\\dl\\a.exe");
  EXPECT_TRUE(AppendFileName(L"C:\\", L"a.exe", path));
  EXPECT_EQ(path, L"C:\\a.exe");
  EXPECT_TRUE(AppendFileName(L"C:\\dl", L"", path));
  EXPECT_EQ(path, L"C:\\dl");

  const std::wstring folder = L"C:\\" + std::wstring(250, L'f');  // 253 characters
  EXPECT_TRUE(AppendFileName(folder, L"12345", path));           // 259
  EXPECT_EQ(path.size(), 259u);
  path = L"unchanged";
  EXPECT_FALSE(AppendFileName(folder, L"123456", path));  // 260 does not fit
  EXPECT_EQ(path, L"unchanged");
}

using TargetPathTest = DownloadFixture;

TEST_F(TargetPathTest, ChoosesTheFolderAndKeepsTheQueryInTheName) {
  EXPECT_EQ(manager->TargetPathFromUrl(L"https://h.test/dir/setup.exe?x=1", true),
            InWork(L"setup.exe_x=1"));
  EXPECT_EQ(manager->TargetPathFromUrl(L"https://h.test/dir/setup.exe", false),
            std::wstring(kDownloads) + L"\\setup.exe");
  EXPECT_EQ(manager->TargetPathFromName(L"Pellio.exe", true), InWork(L"Pellio.exe"));
  EXPECT_EQ(manager->TargetPathFromName(L"Pellio: Classic.exe", false),
            std::wstring(kDownloads) + L"\\Pellio_ Classic.exe");
  // No name in the URL: the folder itself (opening it for writing then fails).
  EXPECT_EQ(manager->TargetPathFromUrl(L"https://h.test/", true), kWork);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(TargetPathTest, InvalidFolderShowsInvalidPathAndGivesNoPath) {
  files.directories.erase(kDownloads);
  EXPECT_EQ(manager->TargetPathFromUrl(L"https://h.test/setup.exe", false), L"");
  EXPECT_EQ(manager->TargetPathFromName(L"setup.exe", false), L"");
  ASSERT_EQ(dialogs.shown.size(), 2u);
  EXPECT_EQ(dialogs.shown[0].text, L"Invalid path");
  EXPECT_EQ(dialogs.shown[0].flags, platform::kMbOk);
  // The other folder is still fine.
  EXPECT_EQ(manager->TargetPathFromName(L"setup.exe", true), InWork(L"setup.exe"));
}

TEST_F(TargetPathTest, NameTooLongForMaxPathGivesNoPath) {
  EXPECT_EQ(manager->TargetPathFromName(std::wstring(300, L'n'), true), L"");
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
