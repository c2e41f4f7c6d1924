#include "config/configuration_manager.h"

#include <string>

#include "config/identity.h"
#include "rules/path_macros.h"

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

std::int32_t WizardTypeFromName(const std::wstring& name) {
  static const std::pair<const wchar_t*, std::int32_t> kWizards[] = {{L"DLM", kWizardDlm},
                                                                     {L"ISV", kWizardIsv}};
  for (const auto& [wizardName, type] : kWizards) {
    if (name == wizardName) return type;
  }
  return kWizardUnknown;
}

std::wstring CreateWorkFolder(platform::FileSystem& files) {
  const std::wstring temp = files.TempFolder();
  if (temp.empty()) return {};
  for (int attempt = 0; attempt < kWorkFolderAttempts; ++attempt) {
    std::wstring path;
    if (!files.CreateUniqueTempFile(temp, L"ISV", 0, path)) return {};
    // The unique name is reserved by a file; swap it for a folder of that
    // name. Another process may take the name in between: then the folder
    // cannot be created (something is there) and the next name is tried.
    files.RemoveFile(path);
    const std::uint32_t status = files.MakePrivateDirectory(path, kWorkFolderSecurity);
    if (status == platform::kFileErrorSuccess) {
      if (files.IsDirectory(path)) return path;
      files.ReleaseFolder(path);
      return {};
    }
    if (status != platform::kFileErrorAlreadyExists && status != platform::kFileErrorFileExists) {
      return {};
    }
  }
  return {};
}

std::wstring FindDlmDownloadFolder(platform::SystemInfo& system, platform::FileSystem& files) {
  std::wstring folder;
  if (system.DownloadsFolder(folder) && !folder.empty()) return folder;
  folder.clear();
  if (system.CsidlFolder(platform::kCsidlPersonal, folder) && !folder.empty()) return folder;
  folder = files.TempFolder();
  if (!folder.empty()) return folder;
  return L"C:\\";
}

ConfigurationManager::ConfigurationManager(const ProductConstants& constants,
                                           ConfigurationPlatform platform)
    : platform_(platform) {
  wizardType = WizardTypeFromName(constants.wizardName);
  if (wizardType == kWizardUnknown) {
    platform_.dialogs.ShowMessage(L"Unknown wizard type", L"", platform::kMbOk);
  }
  productId = constants.productId;
  publisher = constants.publisher;
  stubId = constants.stubId;
  programVersion = Widen(GetProgramVersion(platform_.system));
  configUrl = L"https://" + constants.configHost + L"/o";
  eventsUrl = L"https://" + constants.configHost + L"/zbd";
  fileBaseUrl = L"https://" + constants.configHost + L"/f/";

  if (wizardType == kWizardIsv) ApplyIsvConstants(constants);
  if (wizardType == kWizardDlm) ApplyDlmConstants();
}

void ConfigurationManager::ApplyIsvConstants(const ProductConstants& constants) {
  productTitle = constants.productTitle;
  // The main installer runs elevated with no other check of its origin:
  // it is only ever fetched over TLS.
  mainSourceUrl =
      L"https://" + constants.rolloutHost + L"/endpoint/pellio/os/tarnrollout/track/stable";
  installerObjectPath = constants.installerObjectPath;
  privacyUrl = L"https://" + constants.webHost + L"/legal/privacy-policy/";
  termsUrl = L"https://" + constants.webHost + L"/legal/terms-of-use/";
  mainInstallArgs = constants.mainInstallArgs;
  productExePath = constants.productExePath;
  workFolder = CreateWorkFolder(platform_.files);
  downloadFolder = workFolder;
}

void ConfigurationManager::ApplyDlmConstants() {
  downloadFolder = FindDlmDownloadFolder(platform_.system, platform_.files);
  workFolder = CreateWorkFolder(platform_.files);
}

std::string ConfigurationManager::GetSessionId() {
  std::lock_guard<std::mutex> lock(identityMutex_);
  if (sessionId.empty()) sessionId = ComputeSessionId(platform_.clock);
  return sessionId;
}

std::string ConfigurationManager::GetMachineGuid() {
  std::lock_guard<std::mutex> lock(identityMutex_);
  if (machineGuid.empty()) machineGuid = ReadMachineGuid(platform_.registry);
  return machineGuid;
}

std::vector<std::pair<std::wstring, std::wstring>> ConfigurationManager::GetPathMacros() {
  std::lock_guard<std::mutex> lock(pathMacrosMutex_);
  if (!pathMacrosBuilt) {
    pathMacros = BuildPathMacroTable(platform_.system);
    pathMacrosBuilt = true;
  }
  return pathMacros;
}
