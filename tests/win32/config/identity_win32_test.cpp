// Identity values and the settings object against the real Windows services.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/configuration_manager.h"
#include "config/identity.h"
#include "platform/win32/win32_platform.h"
#include "vellam_build_config.h"

namespace {

namespace w = platform::win32;

std::string ExpectedWindows() {
  const char* windows = std::getenv("VELLAM_WINDOWS");
  return windows ? windows : "win10";
}

TEST(IdentityWin32, ProgramVersionComesFromTheOwnVersionResource) {
  EXPECT_EQ(GetProgramVersion(w::RealSystemInfo()), VELLAM_VERSION_TEXT);
}

TEST(IdentityWin32, OsVersionFollowsTheWindowsVersionInForce) {
  const std::string version = GetOsVersion(w::RealSystemInfo());
  if (ExpectedWindows() == "win7") {
    EXPECT_EQ(version, "6.1.7601");
  } else {
    EXPECT_EQ(version.rfind("10.0.", 0), 0u) << version;
  }
}

TEST(IdentityWin32, Wow64MatchesTheProcessArchitecture) {
  // A 64-bit process is not under WOW64; a 32-bit one on a 64-bit prefix is.
  EXPECT_EQ(IsWow64(w::RealSystemInfo()), sizeof(void*) == 4);
}

TEST(IdentityWin32, DownloadCodeOfThisTestProgramIsEmpty) {
  // win32_config_tests.exe: after the last "_" comes "tests", 5 characters.
  EXPECT_EQ(GetDownloadCode(w::RealSystemInfo()), L"");
  EXPECT_NE(w::RealSystemInfo().OwnExecutablePath().find(L"win32_config_tests"), std::wstring::npos);
}

class MachineGuidWin32 : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kKey = L"SOFTWARE\\Microsoft\\Cryptography";
  HKEY key_ = nullptr;
  std::wstring saved_;
  bool hadValue_ = false;

  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                              KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    hadValue_ = RegGetValueW(key_, nullptr, L"MachineGuid", RRF_RT_REG_SZ, nullptr, buffer,
                             &size) == ERROR_SUCCESS;
    saved_ = buffer;
  }
  void TearDown() override {
    if (hadValue_) {
      RegSetValueExW(key_, L"MachineGuid", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                     static_cast<DWORD>((saved_.size() + 1) * sizeof(wchar_t)));
    } else {
      RegDeleteValueW(key_, L"MachineGuid");
    }
    RegCloseKey(key_);
  }
  void Store(const wchar_t* value) {
    ASSERT_EQ(RegSetValueExW(key_, L"MachineGuid", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
};

TEST_F(MachineGuidWin32, ReadsTheValueOfThe64BitView) {
  Store(L"5b0c9a3e-1111-2222-3333-444455556666");
  EXPECT_EQ(ReadMachineGuid(w::RealRegistry()), "5b0c9a3e-1111-2222-3333-444455556666");
}

TEST_F(MachineGuidWin32, MissingValueGivesEmptyText) {
  RegDeleteValueW(key_, L"MachineGuid");
  EXPECT_EQ(ReadMachineGuid(w::RealRegistry()), "");
}

TEST(WorkFolderWin32, IsAFreshEmptyFolderInTheTemporaryFolder) {
  const std::wstring folder = CreateWorkFolder(w::RealFileSystem());
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.rfind(w::RealFileSystem().TempFolder() + L"ISV", 0), 0u);
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // A second call gets another folder.
  const std::wstring second = CreateWorkFolder(w::RealFileSystem());
  EXPECT_NE(second, folder);
  RemoveDirectoryW(folder.c_str());
  RemoveDirectoryW(second.c_str());
}

TEST(DownloadFolderWin32, IsTheUsersDownloadsFolder) {
  std::wstring downloads;
  ASSERT_TRUE(w::RealSystemInfo().DownloadsFolder(downloads));
  EXPECT_EQ(FindDlmDownloadFolder(w::RealSystemInfo(), w::RealFileSystem()), downloads);
  EXPECT_NE(downloads.find(L"Downloads"), std::wstring::npos);
}

}  // namespace
