#include "app/working_folder_cleanup.h"

#include <set>

#include "config/configuration_manager.h"

namespace {

using platform::FileSystem;

class FolderDeleter {
 public:
  explicit FolderDeleter(FileSystem& files) : files_(files) {}

  void DeleteFolder(const std::wstring& path) {
    if (!files_.PathExists(path)) return;
    if (files_.IsReparsePoint(path)) {
      RemoveLink(path, true);
      return;
    }
    if (files_.IsDirectoryEmpty(path)) return;

    std::vector<platform::FolderEntry> entries;
    files_.FindEntries(path + L"\\*.*", entries);
    for (const auto& entry : entries) {
      if (entry.name == L"." || entry.name == L"..") continue;
      const std::wstring full = path + L"\\" + entry.name;
      if (entry.isReparsePoint) {
        RemoveLink(full, entry.isDirectory);
        continue;
      }
      if (entry.isDirectory) {
        DeleteFolder(full);
      } else {
        const std::uint32_t status = files_.DeleteFileStatus(full);
        if (status == platform::kFileErrorAccessDenied ||
            status == platform::kFileErrorSharingViolation) {
          DeleteAtRestart(full);
        }
      }
      // Removes an emptied or empty sub-folder; a sub-folder that still
      // holds files waiting for the restart is registered with them.
      const std::uint32_t status = files_.RemoveFolderStatus(full);
      if (status != platform::kFileErrorSuccess && status != platform::kFileErrorAccessDenied &&
          status != platform::kFileErrorSharingViolation && !IsGone(status)) {
        DeleteAtRestart(full);
      }
    }

    const std::uint32_t status = files_.RemoveFolderStatus(path);
    if (status != platform::kFileErrorSuccess && !IsGone(status)) DeleteAtRestart(path);
  }

 private:
  // A junction or symbolic link goes as a link: what it points to may lie
  // anywhere, outside the working folder too, and is never entered, deleted
  // or registered for deletion at restart. A link that cannot be removed now
  // stays (its folder is then registered, and Windows leaves a folder that
  // is not empty).
  void RemoveLink(const std::wstring& path, bool isDirectory) {
    if (isDirectory) {
      files_.RemoveFolderStatus(path);
    } else {
      files_.DeleteFileStatus(path);
    }
  }

  // A path that no longer exists needs no deletion at restart: every file
  // deleted above would otherwise be registered too.
  static bool IsGone(std::uint32_t status) {
    return status == platform::kFileErrorFileNotFound || status == platform::kFileErrorPathNotFound;
  }

  // Once per path: a file or folder can fail in more than one step.
  void DeleteAtRestart(const std::wstring& path) {
    if (registered_.insert(path).second) files_.DeleteAtRestart(path);
  }

  FileSystem& files_;
  std::set<std::wstring> registered_;
};

}  // namespace

void CleanupWorkingFolder(const ConfigurationManager& settings, platform::FileSystem& files) {
  const std::wstring& folder = settings.workFolder;
  if (folder.empty()) return;
  // Held since its creation so that nobody could swap it; now it must go.
  files.ReleaseFolder(folder);
  DeleteFolderRecursive(files, folder);
  // The working folder goes even when nothing was ever put in it.
  if (files.PathExists(folder) && !files.IsReparsePoint(folder) && files.IsDirectoryEmpty(folder)) {
    files.RemoveFolderStatus(folder);
  }
}

void DeleteFolderRecursive(platform::FileSystem& files, const std::wstring& path) {
  FolderDeleter(files).DeleteFolder(path);
}
