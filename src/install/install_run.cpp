#include "install/install_run.h"

#include "events/events.h"

std::wstring BuildForceInstallArgs(const std::array<bool, 8>& optionChecks) {
  const auto c = [&optionChecks](int i) { return optionChecks[i] ? L'1' : L'0'; };
  std::wstring args = L"/S /FORCEINSTALL ";
  args += {c(5), c(6), c(3), L'0', L'0', c(4), L'0', L'1', L'0', L'1', c(7), c(5), c(1), c(2),
           c(0), L'0'};
  return args;
}

void InstallRun::Start() {
  if (settings_.mainPackage) downloadQueue_.push_back(settings_.mainPackage);
  // Copies: recording a marker must not meet a list that changes.
  const auto shown = settings_.shownOffers;
  for (const std::shared_ptr<Package>& offer : shown) {
    if (offer && offer->partnerEnabled) offer->RecordPartnerShown();
  }
  const auto accepted = settings_.acceptedOffers;
  for (const std::shared_ptr<Package>& offer : accepted) {
    if (offer) downloadQueue_.push_back(offer);
  }
  StartNextDownload();
}

std::wstring InstallRun::Prefixed(const std::wstring& text) {
  return host_.IsFullUrl(text) ? text : settings_.fileBaseUrl + text;
}

void InstallRun::StartNextDownload() {
  if (settings_.closing) return;
  // The wizard queues its main product before it shows a download page;
  // a page shown on its own (the page gallery) has nothing to do.
  if (downloadQueue_.empty()) return;
  const Package& package = *downloadQueue_.front();
  if (package.isMainProduct && wizard_ == InstallWizard::Dlm) {
    // Into Downloads under the name the configuration gave, from the
    // address exactly as received.
    host_.StartDownload({settings_.mainSourceUrl, std::wstring()}, settings_.mainFileName, false);
  } else if (package.isMainProduct) {
    const std::wstring fallback = settings_.installerObjectPath.empty()
                                      ? std::wstring()
                                      : Prefixed(settings_.installerObjectPath);
    host_.StartDownload({Prefixed(settings_.mainSourceUrl), fallback}, std::wstring(), true);
  } else {
    std::wstring url;
    if (!codePages_.ToWide(platform::kCpUtf8, package.downloadUrl, url)) url.clear();
    host_.StartDownload({Prefixed(url), std::wstring()}, std::wstring(), true);
  }
}

void InstallRun::ReportFailure(Package& package, const std::wstring& text) {
  const bool asInstalled = package.isMainProduct && settings_.mainFailureAsInstalled;
  host_.Report(package, asInstalled ? kEventInstalled : kEventFailed, text);
  if (package.isMainProduct) mainFailed_ = true;
}

void InstallRun::DownloadEnded(const DownloadResult& result) {
  if (downloadQueue_.empty()) return;
  const std::shared_ptr<Package> package = downloadQueue_.front();
  downloadQueue_.pop_front();
  if (!result.ok) {
    ReportFailure(*package, L"DOWNLOAD FAILED: " + result.errorText);
  } else if (package->isMainProduct && wizard_ == InstallWizard::Dlm) {
    // Only downloaded: the finish page offers to start it.
    const std::wstring file = host_.LastDownloadedFile();
    std::wstring failure;
    if (!package->sha256.empty() && !host_.HoldVerified(file, package->sha256, failure)) {
      ReportFailure(*package, L"DOWNLOAD FAILED: " + failure);
    } else {
      settings_.launchPath = file;
      host_.Report(*package, kEventInstalled, std::wstring());
    }
  } else {
    const std::wstring file = host_.LastDownloadedFile();
    if (package->isMainProduct) settings_.launchPath = file;
    installQueue_.push_back({package, file});
  }

  if (!downloadQueue_.empty()) {
    StartNextDownload();
  } else if (wizard_ == InstallWizard::Isv) {
    host_.InstallStarting();
    StartNextInstall();
  } else if (!installQueue_.empty()) {
    StartNextInstall();
  } else {
    End();
  }
}

std::wstring InstallRun::InstallArguments(const Package& package) const {
  if (!package.isMainProduct) return package.GetInstallArgs();
  if (wizard_ == InstallWizard::Isv && settings_.optionPages) {
    return BuildForceInstallArgs(settings_.optionChecks);
  }
  return settings_.mainInstallArgs;
}

void InstallRun::StartNextInstall() {
  if (installQueue_.empty()) {
    End();
    return;
  }
  const Downloaded entry = installQueue_.front();
  Package& package = *entry.package;
  const bool waited = package.isMainProduct;

  std::unique_ptr<platform::ReadableFile> held;
  if (!package.sha256.empty()) {
    std::wstring failure;
    held = host_.HoldVerified(entry.path, package.sha256, failure);
    if (!held) {
      // Not what the server named: never started.
      ReportFailure(package, L"DOWNLOAD FAILED: " + failure);
      installQueue_.pop_front();
      if (wizard_ == InstallWizard::Isv && (waited || installQueue_.empty())) {
        host_.InstallEnded();
      }
      AfterInstall();
      return;
    }
  }

  const std::wstring path = host_.PrepareInstaller(entry.path);
  host_.StartLaunch(path, InstallArguments(package), waited, std::move(held));
  if (waited) {
    mainInstallerPath_ = path;
    return;  // LaunchEnded goes on
  }
  host_.Report(package, kEventInstalled, std::wstring());
  installQueue_.pop_front();
  if (installQueue_.empty() && wizard_ == InstallWizard::Isv) host_.InstallEnded();
  AfterInstall();
}

void InstallRun::LaunchEnded(const LaunchResult& result) {
  if (installQueue_.empty()) return;
  const std::shared_ptr<Package> package = installQueue_.front().package;
  host_.InstallEnded();
  if (result.exitCode != 0) {
    ReportFailure(*package, L"EXEC FAILED: " + result.message);
    mainFailed_ = true;
  } else {
    settings_.launchPath = mainInstallerPath_;
    host_.Report(*package, kEventInstalled, std::wstring());
  }
  installQueue_.pop_front();
  AfterInstall();
}

void InstallRun::AfterInstall() {
  if (!installQueue_.empty()) {
    StartNextInstall();
  } else {
    End();
  }
}

void InstallRun::End() {
  if (!mainFailed_) {
    host_.Finish();
  } else if (wizard_ == InstallWizard::Isv) {
    host_.ShowError("PAGE_ERROR_TITLE", "PAGE_ERROR_TEXT");
  } else {
    host_.ShowError("PAGE_DOWNLOAD_ERROR_TITLE", "PAGE_DOWNLOAD_ERROR_DESC");
  }
}
