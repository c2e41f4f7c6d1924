// URL → file name → path in the target folder: FileNameFromUrl,
// SafeFileName, AppendFileName and the download manager's target paths.
//
// Input: [folder byte][text as UTF-16LE units]. Folder byte: bits 0-1 pick
// the download folder from kFolders; bit 2 asks for the work folder instead.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "fakes/scripted_web.h"
#include "install/download_manager.h"
#include "install/target_path.h"

namespace {

const wchar_t kWork[] = L"C:\\Temp\\ISVA1.tmp";
const std::wstring kFolders[] = {
    L"C:\\Users\\u\\Downloads",
    L"C:\\",
    L"C:\\" + std::wstring(240, L'd'),  // a few characters left below MAX_PATH
    L"\\\\?\\C:\\dl",
};

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsRefused(wchar_t c) {
  // Zero is below 0x20, so wcschr never matches the terminator.
  return c < 0x20 || std::wcschr(L"\\/:*?\"<>|", c) != nullptr;
}

void CheckSafe(const std::wstring& safe) {
  for (const wchar_t c : safe) Check(!IsRefused(c));
  Check(safe != L"." && safe != L"..");
}

// A path in `folder`: the folder, one separator unless it ends in one, then
// a name that stays inside it.
void CheckInFolder(const std::wstring& folder, const std::wstring& path) {
  Check(path.size() < 260);
  Check(path.compare(0, folder.size(), folder) == 0);
  if (path.size() == folder.size()) return;  // no name: the folder itself
  std::size_t nameStart = folder.size();
  if (folder.back() != L'\\') {
    Check(path[nameStart] == L'\\');
    ++nameStart;
  }
  const std::wstring name = path.substr(nameStart);
  Check(!name.empty());
  CheckSafe(name);
}

struct Fixture {
  ScriptedWeb web;
  FakeWinHttp http{web};
  FakeWinInet inet{web};
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeSystemMessages messages;
  FakeDialogs dialogs;
  FakeClock clock;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<DownloadManager> manager;

  Fixture() {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->workFolder = kWork;
    files.directories.insert(kWork);
    for (const std::wstring& folder : kFolders) files.directories.insert(folder);
    manager = std::make_shared<DownloadManager>(
        settings,
        DownloadPlatform{http, inet, files, streams, system, messages, dialogs, clock});
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static Fixture fixture;
  std::wstring text;
  for (std::size_t i = 1; i + 1 < size; i += 2) {
    text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  }

  const std::wstring name = FileNameFromUrl(text);
  Check(name.find(L'/') == std::wstring::npos);
  if (text.find(L'/') == std::wstring::npos) {
    Check(name.empty());
  } else {
    Check(text.size() >= name.size() + 1 &&
          text.compare(text.size() - name.size() - 1, std::wstring::npos, L"/" + name) == 0);
  }

  for (const std::wstring& input : {name, text}) {
    const std::wstring safe = SafeFileName(input);
    CheckSafe(safe);
    if (input.find_first_not_of(L'.') == std::wstring::npos) Check(safe.empty());
    const std::wstring& folder = kFolders[data[0] & 0x03];
    std::wstring path = L"unchanged";
    if (AppendFileName(folder, safe, path)) {
      CheckInFolder(folder, path);
    } else {
      Check(path == L"unchanged");
    }
  }

  const bool useWorkFolder = (data[0] & 0x04) != 0;
  const std::wstring folder = useWorkFolder ? std::wstring(kWork) : kFolders[data[0] & 0x03];
  fixture.settings->downloadFolder = kFolders[data[0] & 0x03];
  for (const std::wstring& path : {fixture.manager->TargetPathFromUrl(text, useWorkFolder),
                                   fixture.manager->TargetPathFromName(text, useWorkFolder)}) {
    if (!path.empty()) CheckInFolder(folder, path);
  }
  Check(fixture.dialogs.shown.empty());  // every folder exists
  return 0;
}
