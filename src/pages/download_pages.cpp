#include "pages/download_pages.h"

#include <commctrl.h>

#include "app/win32/singletons.h"
#include "install/archive_helpers.h"
#include "install/download_url.h"
#include "install/verified_file.h"
#include "install/win32/window_progress_sink.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr UINT_PTR kDownloadTimer = 0x1000;
constexpr UINT_PTR kLaunchTimer = 0x1002;
constexpr UINT kPollMs = 100;

}  // namespace

DownloadPage::DownloadPage(std::shared_ptr<LanguageManager> languageManager, UINT templateId,
                           HWND parent, InstallWizard wizard)
    : CallbackPage(std::move(languageManager), templateId, parent),
      run_(wizard, *GetConfigurationManager(), platform::win32::RealCodePages(), *this) {}

DownloadPage::~DownloadPage() {
  // Released here, while the page still exists, rather than after it.
  downloadTask_.Wait();
  launchTask_.Wait();
}

BOOL DownloadPage::OnInitDialog() {
  productImage_.AttachItem(hwnd(), IDC_PICTURE);
  BindText(IDC_PROGRESS_TITLE, "PROGRESS_TITLE");
  BindText(IDC_PROGRESS_TEXT, "PROGRESS_DESC");
  UpdateTexts();
  return TRUE;
}

BOOL DownloadPageDlm::OnInitDialog() {
  DownloadPage::OnInitDialog();
  // The product logo the loading page downloaded; may be empty.
  productImage_.SetImage(GetConfigurationManager()->logoImage);
  return TRUE;
}

BOOL DownloadPageIsv::OnInitDialog() {
  DownloadPage::OnInitDialog();
  productImage_.LoadFromResource(IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  return TRUE;
}

void DownloadPage::OnNavigateToPage() { run_.Start(); }

bool DownloadPage::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return false;  // and the default handling
    case kWmDownloadProgress:
      OnProgress(wParam);
      result = 0;
      return true;
    case kWmLengthMissing:
      EnterMarquee();
      result = 0;
      return true;
    default:
      return false;
  }
}

void DownloadPage::OnTimer(UINT_PTR id) {
  if (id == kDownloadTimer && downloadTask_.Ready()) {
    KillTimer(hwnd(), kDownloadTimer);
    DownloadResult result;
    try {
      result = downloadTask_.Take();
    } catch (const std::exception&) {
      result = {false, L"the download ended unexpectedly"};
    }
    run_.DownloadEnded(result);
  } else if (id == kLaunchTimer && launchTask_.Ready()) {
    KillTimer(hwnd(), kLaunchTimer);
    run_.LaunchEnded(launchTask_.Take());  // LaunchProcess never throws
  }
}

void DownloadPage::OnProgress(WPARAM percent) {
  HWND bar = GetDlgItem(hwnd(), IDC_PROGRESS);
  const unsigned value = static_cast<unsigned>(percent);
  if (value > 100) {
    // A fraction above one: the length was wrong; show activity instead.
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETMARQUEE, TRUE, 30);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | PBS_MARQUEE);
    return;
  }
  if (marqueeOn_) {
    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) & ~PBS_MARQUEE);
    marqueeOn_ = false;
  }
  SendMessageW(bar, PBM_SETPOS, value, 0);
}

void DownloadPage::EnterMarquee() {
  HWND bar = GetDlgItem(hwnd(), IDC_PROGRESS);
  SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SendMessageW(bar, PBM_SETMARQUEE, TRUE, 30);
  SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) | PBS_MARQUEE);
  marqueeOn_ = true;
}

void DownloadPage::StartDownload(const UrlPair& urls, const std::wstring& fileName,
                                 bool useWorkFolder) {
  // The task holds the manager and its own progress sink, never the page.
  std::shared_ptr<DownloadManager> downloads = GetDownloadManager();
  auto sink = std::make_shared<WindowProgressSink>(postTarget());
  downloadTask_ = BackgroundTask<DownloadResult>::Start([downloads, sink, urls, fileName,
                                                        useWorkFolder] {
    return downloads->Download(urls, sink.get(), fileName, useWorkFolder);
  });
  SetTimer(hwnd(), kDownloadTimer, kPollMs, nullptr);
}

std::wstring DownloadPage::LastDownloadedFile() { return GetDownloadManager()->lastDownloadedFile; }

bool DownloadPage::IsFullUrl(const std::wstring& text) {
  return IsValidDownloadUrl(platform::win32::RealCodePages(), text);
}

std::unique_ptr<platform::ReadableFile> DownloadPage::HoldVerified(const std::wstring& path,
                                                                   const std::string& sha256,
                                                                   std::wstring& failure) {
  return OpenVerifiedFile(platform::win32::RealFileReaders(), path, sha256, failure);
}

std::wstring DownloadPage::PrepareInstaller(const std::wstring& path) {
  namespace w = platform::win32;
  const ArchiveKind kind = GetArchiveKind(w::RealFileReaders(), path);
  if (kind == kArchiveNone) return path;
  // Always a new folder inside the private working folder, whichever wizard.
  return ::PrepareInstaller(
      InstallerFiles{w::RealFileSystem(), w::RealFileStreams(), w::RealFileReaders(),
                     w::RealZipShell()},
      path, kind, GetConfigurationManager()->workFolder);
}

void DownloadPage::StartLaunch(const std::wstring& path, const std::wstring& arguments,
                               bool waitForExit, std::unique_ptr<platform::ReadableFile> held) {
  namespace w = platform::win32;
  const LaunchPlatform platform{w::RealProcesses(), w::RealSystemMessages()};
  // The verified file stays open (nobody can replace it) until the start
  // has ended, then closes with the task's function, before the result is
  // taken: the file must not keep the working folder from going.
  // Installers start one after the other, in their order: an offer's
  // start (not waited for beyond that) has ended before the next begins.
  launchTask_.Wait();
  launchTask_ = BackgroundTask<LaunchResult>::Start(
      [platform, path, arguments, waitForExit, file = std::move(held)] {
        return LaunchProcess(platform, path, arguments, waitForExit);
      });
  if (waitForExit) SetTimer(hwnd(), kLaunchTimer, kPollMs, nullptr);
}

void DownloadPage::Report(Package& package, std::int32_t code, const std::wstring& failure) {
  if (failure.empty()) {
    package.ReportEventW(code, nullptr);
    return;
  }
  std::string text;
  if (!platform::win32::RealCodePages().FromWide(platform::kCpUtf8, failure, text)) text.clear();
  package.ReportEventW(code, JsonValue{{"12", text}});
}

void DownloadPage::InstallStarting() {
  if (installStartNotification) installStartNotification();
  EnterMarquee();
}

void DownloadPage::InstallEnded() {
  if (installEndNotification) installEndNotification();
}

void DownloadPage::Finish() { CallbackPage::Report(ButtonType::Next); }

void DownloadPage::ShowError(const char* titleKey, const char* textKey) {
  ReportError(languageManager().GetText(titleKey), languageManager().GetText(textKey));
}
