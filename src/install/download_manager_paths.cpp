// Target paths need the settings object; kept apart from the network code.
#include "config/configuration_manager.h"
#include "install/download_manager.h"
#include "install/target_path.h"

std::wstring DownloadManager::TargetPathFromUrl(const std::wstring& url, bool useWorkFolder) {
  return TargetPath(FileNameFromUrl(url), useWorkFolder);
}

std::wstring DownloadManager::TargetPathFromName(const std::wstring& name, bool useWorkFolder) {
  return TargetPath(name, useWorkFolder);
}

std::wstring DownloadManager::TargetPath(const std::wstring& name, bool useWorkFolder) {
  const std::wstring& folder = useWorkFolder ? settings_->workFolder : settings_->downloadFolder;
  if (!platform_.files.IsDirectory(folder)) {
    // Shown from the downloading task; the download then fails to open its file.
    platform_.dialogs.ShowMessage(L"Invalid path", L"", platform::kMbOk);
    return {};
  }
  std::wstring path;
  if (!AppendFileName(folder, SafeFileName(name), path)) return {};
  return path;
}
