// The working folder clean-up against real files: nested folders, odd names,
// and files that cannot be deleted now (one held open by another process, one
// read-only), which end up registered for deletion at the next restart.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win32/singletons.h"
#include "app/working_folder_cleanup.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPending[] = L"PendingFileRenameOperations";

// Every string of the REG_MULTI_SZ value, empty ones included (a deletion is
// a source path followed by an empty target).
std::vector<std::wstring> PendingOperations() {
  HKEY key = nullptr;
  std::vector<std::wstring> entries;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return entries;
  }
  DWORD size = 0;
  if (RegQueryValueExW(key, kPending, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
    RegQueryValueExW(key, kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    size_t count = size / sizeof(wchar_t);
    // Each string ends with a zero, and the list with one more.
    if (count > 0 && data[count - 1] == L'\0') --count;
    std::wstring current;
    for (size_t i = 0; i < count; ++i) {
      if (data[i] == L'\0') {
        entries.push_back(current);
        current.clear();
      } else {
        current += data[i];
      }
    }
  }
  RegCloseKey(key);
  return entries;
}

bool PendingDeletion(const std::vector<std::wstring>& entries, const std::wstring& path) {
  const std::wstring source = L"\\??\\" + path;
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    if (lstrcmpiW(entries[i].c_str(), source.c_str()) == 0 && entries[i + 1].empty()) return true;
  }
  return false;
}

// Puts the value back as it was before the test, so the prefix is not
// asked to delete anything at its next start.
void RestorePending(const std::vector<std::wstring>& entries, bool existed) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  if (!existed) {
    RegDeleteValueW(key, kPending);
  } else {
    std::wstring data;
    for (const auto& entry : entries) data += entry + L'\0';
    data += L'\0';
    RegSetValueExW(key, kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  }
  RegCloseKey(key);
}

bool PendingValueExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  const bool exists = RegQueryValueExW(key, kPending, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return exists;
}

void WriteFile(const std::wstring& path, const char* content = "x") {
  const platform::win32::ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << GetLastError();
  DWORD written = 0;
  ::WriteFile(file.get(), content, lstrlenA(content), &written, nullptr);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class CleanupWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    root_ = std::wstring(temp) + L"vellam cleanup " + std::to_wstring(GetCurrentProcessId()) + L" " +
            std::wstring(test.begin(), test.end());
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr)) << GetLastError();
    pendingExisted_ = PendingValueExists();
    pendingBefore_ = PendingOperations();
  }
  void TearDown() override {
    RestorePending(pendingBefore_, pendingExisted_);
    if (holder_) {
      SetEvent(release_.get());
      WaitForSingleObject(holder_.get(), 10000);
    }
    holder_.reset();
    ready_.reset();
    release_.reset();
    RemoveAll(root_);
  }

  std::wstring Path(const std::wstring& relative) const { return root_ + L"\\" + relative; }

  // Another process opens `path` without sharing deletion and keeps it open.
  void HoldOpenElsewhere(const std::wstring& path) {
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, (L"vellam-hold-ready-" + tag).c_str()));
    release_.reset(CreateEventW(nullptr, TRUE, FALSE, (L"vellam-hold-release-" + tag).c_str()));
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --hold \"" + path + L"\" " + tag;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &holder));
    holder_.reset(holder.hProcess);
    const platform::win32::ScopedHandle thread(holder.hThread);  // never waited on
    ASSERT_EQ(WaitForSingleObject(ready_.get(), 20000), WAIT_OBJECT_0) << "the holder did not open the file";
  }

  static void RemoveAll(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveAll(path);
        } else {
          DeleteFileW(path.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }

  std::wstring root_;
  bool pendingExisted_ = false;
  std::vector<std::wstring> pendingBefore_;
  platform::win32::ScopedHandle holder_;  // the holding process
  platform::win32::ScopedHandle ready_;
  platform::win32::ScopedHandle release_;
};

TEST_F(CleanupWin32, NestedFoldersAndOddNamesGoCompletely) {
  for (const wchar_t* folder : {L"offers", L"offers\\deep", L"offers\\deep\\deeper", L"offers\\empty",
                                L"empty top", L"dots.in.name", L"\u00fcml\u00e4ut \u0142\u00f3d\u017a"}) {
    ASSERT_TRUE(CreateDirectoryW(Path(folder).c_str(), nullptr)) << GetLastError();
  }
  for (const wchar_t* file : {L"Pellio_setup.exe", L"no extension", L".hidden", L"a..b",
                              L"semi;colon,and=equals[x]{y}", L"%TEMP%", L"offers\\a.exe",
                              L"offers\\deep\\deeper\\b.zip", L"dots.in.name\\x.tmp",
                              L"\u00fcml\u00e4ut \u0142\u00f3d\u017a\\\u4e2d\u6587.msi"}) {
    WriteFile(Path(file));
  }
  DeleteFolderRecursive(w::RealFileSystem(), root_);
  EXPECT_FALSE(Exists(root_));
  EXPECT_EQ(PendingOperations(), pendingBefore_) << "nothing waits for the restart";
}

TEST_F(CleanupWin32, EmptyFolderStaysAndAMissingOneIsIgnored) {
  DeleteFolderRecursive(w::RealFileSystem(), root_);
  EXPECT_TRUE(Exists(root_));
  DeleteFolderRecursive(w::RealFileSystem(), Path(L"not there"));
  EXPECT_EQ(PendingOperations(), pendingBefore_);
}

TEST_F(CleanupWin32, FilesThatCannotGoNowWaitForTheRestart) {
  ASSERT_TRUE(CreateDirectoryW(Path(L"offers").c_str(), nullptr));
  WriteFile(Path(L"done.exe"));
  WriteFile(Path(L"offers\\running.exe"));
  WriteFile(Path(L"offers\\other.exe"));
  WriteFile(Path(L"readonly.dat"));
  ASSERT_TRUE(SetFileAttributesW(Path(L"readonly.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  HoldOpenElsewhere(Path(L"offers\\running.exe"));
  // What the clean-up meets: a sharing violation.
  EXPECT_EQ(w::RealFileSystem().DeleteFileStatus(Path(L"offers\\running.exe")), 32u);

  DeleteFolderRecursive(w::RealFileSystem(), root_);

  EXPECT_TRUE(Exists(Path(L"offers\\running.exe")));
  EXPECT_TRUE(Exists(Path(L"readonly.dat")));
  EXPECT_FALSE(Exists(Path(L"done.exe")));
  EXPECT_FALSE(Exists(Path(L"offers\\other.exe")));
  const auto pending = PendingOperations();
  EXPECT_TRUE(PendingDeletion(pending, Path(L"offers\\running.exe")));
  EXPECT_TRUE(PendingDeletion(pending, Path(L"readonly.dat")));
  EXPECT_TRUE(PendingDeletion(pending, Path(L"offers")));
  EXPECT_TRUE(PendingDeletion(pending, root_));
  EXPECT_FALSE(PendingDeletion(pending, Path(L"done.exe"))) << "deleted files are not registered";
  // Four registrations, each once: two paths per deletion.
  EXPECT_EQ(pending.size(), pendingBefore_.size() + 8);
}

TEST_F(CleanupWin32, CleanupWorkingFolderDeletesTheSettingsFolder) {
  auto settings = GetConfigurationManager();
  ASSERT_FALSE(settings->workFolder.empty());
  ASSERT_TRUE(Exists(settings->workFolder));
  WriteFile(settings->workFolder + L"\\setup.exe");
  CleanupWorkingFolder(*settings, w::RealFileSystem());
  EXPECT_FALSE(Exists(settings->workFolder));
}

// Junction stand-ins planted from outside (see with-links): the clean-up
// removes what is really inside the folder and never reaches through a link.
std::wstring Links(const std::wstring& relative) {
  wchar_t links[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"VELLAM_LINKS", links, MAX_PATH)) return {};
  return std::wstring(links) + L"\\" + relative;
}

TEST_F(CleanupWin32, APlantedJunctionIsNeverFollowed) {
  ASSERT_FALSE(Links(L"").empty()) << "run through tests/win32/cleanup/with-links";
  const std::wstring work = Links(L"work");
  ASSERT_TRUE(w::RealFileSystem().IsReparsePoint(Links(L"work\\junction")));

  DeleteFolderRecursive(w::RealFileSystem(), work);

  EXPECT_TRUE(Exists(Links(L"target\\keep.txt")));
  EXPECT_TRUE(Exists(Links(L"target\\sub\\deep.txt")));
  EXPECT_FALSE(Exists(Links(L"work\\inner"))) << "the real content goes";
  for (const auto& entry : PendingOperations()) {
    EXPECT_EQ(entry.find(L"target"), std::wstring::npos) << "registered beyond the link: " << entry.size();
    EXPECT_EQ(entry.find(L"junction"), std::wstring::npos) << "a link is never registered";
  }
}

TEST_F(CleanupWin32, AWorkingFolderThatIsAJunctionIsNeverEntered) {
  ASSERT_FALSE(Links(L"").empty()) << "run through tests/win32/cleanup/with-links";
  DeleteFolderRecursive(w::RealFileSystem(), Links(L"rootlink"));
  EXPECT_TRUE(Exists(Links(L"target\\keep.txt")));
  EXPECT_TRUE(Exists(Links(L"target\\sub\\deep.txt")));
  EXPECT_EQ(PendingOperations(), pendingBefore_);
}

// The holder: opens the file so that nobody may delete it, says so, and
// waits to be released.
int HoldFile(const wchar_t* path, const wchar_t* tag) {
  const platform::win32::ScopedFile file(
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 2;
  const platform::win32::ScopedHandle ready(
      OpenEventW(EVENT_MODIFY_STATE, FALSE, (std::wstring(L"vellam-hold-ready-") + tag).c_str()));
  const platform::win32::ScopedHandle release(
      OpenEventW(SYNCHRONIZE, FALSE, (std::wstring(L"vellam-hold-release-") + tag).c_str()));
  if (!ready || !release) return 3;
  SetEvent(ready.get());
  WaitForSingleObject(release.get(), 60000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  const platform::win32::ScopedLocalMemory<wchar_t**> argumentList(
      CommandLineToArgvW(GetCommandLineW(), &count));
  wchar_t** arguments = argumentList.get();
  if (arguments && count == 4 && std::wstring(arguments[1]) == L"--hold") {
    return HoldFile(arguments[2], arguments[3]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
