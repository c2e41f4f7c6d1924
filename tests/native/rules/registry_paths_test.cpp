#include "rules/registry_paths.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Paths = std::vector<std::wstring>;

TEST(ExpandRegistryPath, RootsAliasesAndRelativePaths) {
  const struct {
    std::wstring path;
    bool wow64;
    Paths expected;
  } cases[] = {
      {L"", true, {}},
      {L"hklm\\software\\x", true, {L"hkey_local_machine\\software\\x"}},
      {L"hklm\\Software\\X", false, {L"hkey_local_machine\\Software\\X"}},
      {L"hkcu\\x", true, {L"hkey_current_user\\x"}},
      {L"hkcr\\.txt", true, {L"hkey_classes_root\\.txt"}},
      {L"hku\\.default\\x", true, {L"hkey_users\\.default\\x"}},
      {L"hkcc\\system", true, {L"hkey_current_config\\system"}},
      {L"hkey_users\\x", true, {L"hkey_users\\x"}},
      {L"hkey_current_user\\software\\x", true, {L"hkey_current_user\\software\\x"}},
      {L"hkey_local_machine\\", false, {L"hkey_local_machine\\"}},
      {L"vendor\\product", false,
       {L"hkey_local_machine\\software\\vendor\\product",
        L"hkey_current_user\\software\\vendor\\product"}},
      {L"vendor\\product", true,
       {L"hkey_local_machine\\software\\vendor\\product",
        L"hkey_current_user\\software\\vendor\\product",
        L"hkey_local_machine\\software\\wow6432node\\vendor\\product",
        L"hkey_current_user\\software\\wow6432node\\vendor\\product"}},
      // A root name without its backslash is no root: it is a vendor name.
      {L"hkey_local_machine", false,
       {L"hkey_local_machine\\software\\hkey_local_machine",
        L"hkey_current_user\\software\\hkey_local_machine"}},
      {L"hklm", false, {L"hkey_local_machine\\software\\hklm", L"hkey_current_user\\software\\hklm"}},
      {L"hkey_local_machinex\\y", false,
       {L"hkey_local_machine\\software\\hkey_local_machinex\\y",
        L"hkey_current_user\\software\\hkey_local_machinex\\y"}},
      {L"hkus\\x", false, {L"hkey_local_machine\\software\\hkus\\x", L"hkey_current_user\\software\\hkus\\x"}},
      // Prefixes are case-sensitive: the rules lowercase first.
      {L"HKLM\\x", false, {L"hkey_local_machine\\software\\HKLM\\x", L"hkey_current_user\\software\\HKLM\\x"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandRegistryPath(c.path, c.wow64), c.expected)
        << std::string(c.path.begin(), c.path.end()) << " wow64=" << c.wow64;
  }
}

TEST(SelectRegistryView, ChoosesTheViewOrReportsTheBranchAbsent) {
  const struct {
    std::wstring path;
    bool wow64;
    bool absent;
    std::wstring pathAfter;
    std::uint32_t flagsAfter;
  } cases[] = {
      {L"hkey_local_machine\\software\\x", true, false, L"hkey_local_machine\\software\\x", 0x20119},
      {L"hkey_local_machine\\software\\x", false, false, L"hkey_local_machine\\software\\x", 0x20019},
      {L"hkey_current_user\\software\\x\\y", true, false, L"hkey_current_user\\software\\x\\y", 0x20119},
      {L"hkey_local_machine\\software\\wow6432node\\x", true, false,
       L"hkey_local_machine\\software\\x", 0x20019},
      {L"hkey_current_user\\software\\wow6432node\\x", true, false,
       L"hkey_current_user\\software\\x", 0x20019},
      {L"hkey_local_machine\\software\\wow6432node\\x", false, true,
       L"hkey_local_machine\\software\\wow6432node\\x", 0x20019},
      {L"hkey_local_machine\\software\\Wow6432Node\\x", false, true,
       L"hkey_local_machine\\software\\Wow6432Node\\x", 0x20019},
      // Only the branch component itself is dropped, whatever its case.
      {L"hkey_local_machine\\software\\Wow6432Node\\x\\wow6432node\\y", true, false,
       L"hkey_local_machine\\software\\x\\wow6432node\\y", 0x20019},
      {L"hkey_local_machine\\software\\x\\wow6432node\\y", true, false,
       L"hkey_local_machine\\software\\x\\wow6432node\\y", 0x20119},
      {L"hkey_local_machine\\software\\wow6432node", true, false,
       L"hkey_local_machine\\software\\wow6432node", 0x20019},
      {L"hkey_local_machine\\software\\\\x", true, false, L"hkey_local_machine\\software\\\\x", 0x20119},
  };
  for (const auto& c : cases) {
    std::wstring path = c.path;
    std::uint32_t flags = 0x20019;
    EXPECT_EQ(SelectRegistryView(path, flags, c.wow64), c.absent)
        << std::string(c.path.begin(), c.path.end());
    EXPECT_EQ(path, c.pathAfter);
    EXPECT_EQ(flags, c.flagsAfter) << std::string(c.path.begin(), c.path.end());
  }
}

TEST(SelectRegistryView, PathsWithoutAKeyBelowTheBranchAreOutOfRange) {
  for (const wchar_t* path : {L"hkey_local_machine\\software\\", L"hkey_local_machine\\software",
                              L"hkey_current_user\\software\\"}) {
    std::wstring text = path;
    std::uint32_t flags = 0;
    EXPECT_THROW(SelectRegistryView(text, flags, true), std::out_of_range);
    EXPECT_THROW(SelectRegistryView(text, flags, false), std::out_of_range);
  }
}

TEST(RegistryPaths, SplitsLikeALineReader) {
  EXPECT_EQ(SplitRegistryPath(L""), Paths{});
  EXPECT_EQ(SplitRegistryPath(L"a"), Paths{L"a"});
  EXPECT_EQ(SplitRegistryPath(L"a\\b\\"), (Paths{L"a", L"b"}));
  EXPECT_EQ(SplitRegistryPath(L"a\\\\b"), (Paths{L"a", L"", L"b"}));
  EXPECT_EQ(SplitRegistryPath(L"\\"), Paths{L""});
  EXPECT_EQ(SplitRegistryPath(L"a\\\\"), (Paths{L"a", L""}));
}

TEST(RegistryPaths, RootNamesAndSoftwarePrefixes) {
  EXPECT_EQ(PredefinedKeyOf(L"hkey_local_machine"), platform::kHkeyLocalMachine);
  EXPECT_EQ(PredefinedKeyOf(L"hkey_current_user"), platform::kHkeyCurrentUser);
  EXPECT_EQ(PredefinedKeyOf(L"hkey_classes_root"), platform::kHkeyClassesRoot);
  EXPECT_EQ(PredefinedKeyOf(L"hkey_users"), platform::kHkeyUsers);
  EXPECT_EQ(PredefinedKeyOf(L"hkey_current_config"), platform::kHkeyCurrentConfig);
  EXPECT_THROW(PredefinedKeyOf(L"HKEY_LOCAL_MACHINE"), std::out_of_range);
  EXPECT_THROW(PredefinedKeyOf(L"hklm"), std::out_of_range);

  EXPECT_TRUE(BeginsWithSoftwarePrefix(L"hkey_local_machine\\software\\x"));
  EXPECT_TRUE(BeginsWithSoftwarePrefix(L"hkey_current_user\\software\\"));
  EXPECT_FALSE(BeginsWithSoftwarePrefix(L"hkey_local_machine\\software"));
  EXPECT_FALSE(BeginsWithSoftwarePrefix(L"hkey_local_machine\\Software\\x"));
  EXPECT_FALSE(BeginsWithSoftwarePrefix(L"hkey_users\\software\\x"));

  EXPECT_EQ(LowercaseRegistryText(L"SOFTWARE\\Vendor_1 Z"), L"software\\vendor_1 z");
}

}  // namespace
