// The working folder and the files written into it, on the real file system:
// the folder's security descriptor, the folder held against renaming, files
// never written through an existing name, and device names saved as files.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/working_folder_cleanup.h"
#include "config/configuration_manager.h"
#include "install/target_path.h"
#include "platform/win32/private_folder.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::wstring& path) {
  const w::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<missing>";
  char buffer[256] = {};
  DWORD read = 0;
  ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr);
  return std::string(buffer, read);
}

void Write(const std::wstring& path, const std::string& text) {
  std::uint32_t error = 0;
  auto file = w::RealFileStreams().CreateForWriting(path, error);
  ASSERT_TRUE(file) << error;
  ASSERT_TRUE(file->Write(text.data(), text.size(), error)) << error;
  ASSERT_TRUE(file->Close(error)) << error;
}

// A well-known account's SID, for comparing with the folder's entries.
struct KnownSid {
  explicit KnownSid(WELL_KNOWN_SID_TYPE type) {
    DWORD size = sizeof bytes;
    valid = CreateWellKnownSid(type, nullptr, bytes, &size) != FALSE;
  }
  BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
  bool valid = false;
};

TEST(WorkFolderWin32, TheDescriptorPassedToCreateDirectoryIsSystemAndAdministratorsOnly) {
  const w::SecurityDescriptor descriptor(kWorkFolderSecurity);
  ASSERT_NE(descriptor.get(), nullptr) << GetLastError();
  // Written back by the system: protected from inheritance, full access for
  // SYSTEM and Administrators, nothing else.
  EXPECT_EQ(descriptor.DaclAsSddl(), L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

// What Wine lets us observe of the folder's protection: it keeps no
// descriptor as given but maps it to Unix mode bits, and reads back owner,
// SYSTEM and Everyone where the mode allows. Nobody but those may get in.
TEST(WorkFolderWin32, NoOtherAccountGetsAccessAndTheFolderCannotBeSwapped) {
  const std::wstring folder = CreateWorkFolder(w::RealFileSystem());
  ASSERT_FALSE(folder.empty());
  ASSERT_TRUE(Exists(folder));

  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR read = nullptr;
  ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &dacl, nullptr, &read),
            static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_NE(dacl, nullptr) << "a folder without a DACL lets everyone in";
  const KnownSid others[] = {KnownSid(WinWorldSid), KnownSid(WinBuiltinUsersSid),
                             KnownSid(WinAuthenticatedUserSid), KnownSid(WinInteractiveSid)};
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&header)));
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    for (const auto& other : others) {
      ASSERT_TRUE(other.valid);
      EXPECT_FALSE(EqualSid(&allowed->SidStart, const_cast<BYTE*>(other.bytes)))
          << "entry " << i << " grants 0x" << std::hex << allowed->Mask << " to others";
    }
  }
  LocalFree(read);

  // Held while the run lasts: it can be neither renamed away nor removed.
  EXPECT_FALSE(MoveFileW(folder.c_str(), (folder + L".moved").c_str()));
  EXPECT_FALSE(RemoveDirectoryW(folder.c_str()));
  EXPECT_TRUE(Exists(folder));

  w::RealFileSystem().ReleaseFolder(folder);
  DeleteFolderRecursive(w::RealFileSystem(), folder);
  RemoveDirectoryW(folder.c_str());
  EXPECT_FALSE(Exists(folder));
}

class FreshFilesWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = std::wstring(temp) + L"vellam files " + std::to_wstring(GetCurrentProcessId()) + L" " +
            std::wstring(test.begin(), test.end());
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr)) << GetLastError();
  }
  void TearDown() override {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root_ + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((root_ + L"\\" + found.cFileName).c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(root_.c_str());
  }
  std::wstring Path(const std::wstring& name) const { return root_ + L"\\" + name; }

  std::wstring root_;
};

// Truncating an existing name would write through a hard link into another
// file (one the user owns elsewhere, say): the download gets a file of its own.
TEST_F(FreshFilesWin32, ADownloadNeverWritesThroughAHardLink) {
  Write(Path(L"precious.txt"), "precious");
  ASSERT_TRUE(CreateHardLinkW(Path(L"setup.exe").c_str(), Path(L"precious.txt").c_str(), nullptr))
      << GetLastError();

  Write(Path(L"setup.exe"), "downloaded");

  EXPECT_EQ(ReadAll(Path(L"setup.exe")), "downloaded");
  EXPECT_EQ(ReadAll(Path(L"precious.txt")), "precious");
}

TEST_F(FreshFilesWin32, AnEarlierAttemptsFileIsReplaced) {
  Write(Path(L"setup.exe"), "a longer first attempt");
  Write(Path(L"setup.exe"), "second");
  EXPECT_EQ(ReadAll(Path(L"setup.exe")), "second");
}

TEST_F(FreshFilesWin32, SomethingThatCannotBeRemovedIsNotWrittenThrough) {
  ASSERT_TRUE(CreateDirectoryW(Path(L"setup.exe").c_str(), nullptr));
  std::uint32_t error = 0;
  EXPECT_FALSE(w::RealFileStreams().CreateForWriting(Path(L"setup.exe"), error));
  EXPECT_NE(error, 0u);
  RemoveDirectoryW(Path(L"setup.exe").c_str());
}

// Device names from a server or a URL end up as ordinary files in the
// folder, with the names SafeFileName gives them.
TEST_F(FreshFilesWin32, DeviceNamesAreSavedAsFiles) {
  for (const wchar_t* name : {L"CON", L"nul.exe", L"Aux.txt", L"prn", L"COM1.exe", L"lpt9.zip",
                              L"CONIN$", L"conout$.exe", L"setup.exe.", L"setup2.exe "}) {
    std::wstring path;
    ASSERT_TRUE(AppendFileName(root_, SafeFileName(name), path));
    Write(path, "payload");
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no file for " << std::string(name, name + wcslen(name));
    FindClose(search);
    EXPECT_EQ(Path(found.cFileName), path) << "saved under the name asked for";
    EXPECT_EQ(ReadAll(path), "payload");
  }
}

}  // namespace
