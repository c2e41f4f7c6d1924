// The download pages: DLM (template 110) and ISV (template 106). No buttons;
// they run the downloads and installers (install/install_run.h) from two
// 100 ms timers that look at the running tasks, drive the progress bar, and
// report Next or the error page when the run has ended.
#pragma once

#include <functional>
#include <memory>

#include "install/install_run.h"
#include "pages/page.h"
#include "platform/background_task.h"
#include "ui/image_control.h"

class DownloadPage : public CallbackPage, private InstallRunHost {
 public:
  DownloadPage(std::shared_ptr<LanguageManager> languageManager, UINT templateId, HWND parent,
               InstallWizard wizard);
  // Waits for a running download or installer start: the tasks refer to
  // nothing of the page, but the run does.
  ~DownloadPage() override;
  void OnNavigateToPage() override;
  // Installers are fetched and run: closing now would leave them half done.
  CloseBox closeBox() const override { return CloseBox::Remove; }

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // The bar turns into a marquee (no length known, or installing).
  void EnterMarquee();

  CStaticFromImage productImage_;  // 1016
  // ISV: fired when installing begins and when the installers have ended.
  std::function<void()> installStartNotification;
  std::function<void()> installEndNotification;

 private:
  void OnProgress(WPARAM percent);
  void OnTimer(UINT_PTR id);

  // InstallRunHost
  void StartDownload(const UrlPair& urls, const std::wstring& fileName,
                     bool useWorkFolder) override;
  std::wstring LastDownloadedFile() override;
  bool IsFullUrl(const std::wstring& text) override;
  std::unique_ptr<platform::ReadableFile> HoldVerified(const std::wstring& path,
                                                       const std::string& sha256,
                                                       std::wstring& failure) override;
  std::wstring PrepareInstaller(const std::wstring& path) override;
  void StartLaunch(const std::wstring& path, const std::wstring& arguments, bool waitForExit,
                   std::unique_ptr<platform::ReadableFile> held) override;
  void Report(Package& package, std::int32_t code, const std::wstring& failure) override;
  void InstallStarting() override;
  void InstallEnded() override;
  void Finish() override;
  void ShowError(const char* titleKey, const char* textKey) override;

  InstallRun run_;
  bool marqueeOn_ = false;
  BackgroundTask<DownloadResult> downloadTask_;
  BackgroundTask<LaunchResult> launchTask_;
};

class DownloadPageDlm final : public DownloadPage {
 public:
  DownloadPageDlm(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : DownloadPage(std::move(languageManager), IDD_DOWNLOAD_DLM, parent, InstallWizard::Dlm) {}
  std::wstring GetPageName() const override { return L"DownloadPageDLM"; }

 protected:
  BOOL OnInitDialog() override;
};

class DownloadPageIsv final : public DownloadPage {
 public:
  DownloadPageIsv(std::shared_ptr<LanguageManager> languageManager, HWND parent)
      : DownloadPage(std::move(languageManager), IDD_DOWNLOAD_ISV, parent, InstallWizard::Isv) {}
  std::wstring GetPageName() const override { return L"DownloadPageISV"; }
  // Called when the installers start running and when they have ended.
  void SetInstallNotifications(std::function<void()> start, std::function<void()> end) {
    installStartNotification = std::move(start);
    installEndNotification = std::move(end);
  }

 protected:
  BOOL OnInitDialog() override;
};
