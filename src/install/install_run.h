// The download pages' work apart from their window: the main product and the
// accepted offers downloaded one after the other, then their installers
// started (ISV: the main installer waited for and checked; DLM: the main
// product only downloaded, for the finish page to start), with one report
// per failure and per installer, and the end: the finish page or the error
// page. Downloads and installer starts take time; the page runs them on
// tasks and passes their ends back (DownloadEnded, LaunchEnded).
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "config/configuration_manager.h"
#include "config/package.h"
#include "install/download_fallback.h"
#include "install/download_result.h"
#include "install/process_launcher.h"
#include "platform/code_pages.h"
#include "platform/file_reader.h"

enum class InstallWizard { Isv, Dlm };

// What the run asks of its page.
class InstallRunHost {
 public:
  virtual ~InstallRunHost() = default;
  // Starts DownloadManager::Download on a task; its end comes back through
  // InstallRun::DownloadEnded.
  virtual void StartDownload(const UrlPair& urls, const std::wstring& fileName,
                             bool useWorkFolder) = 0;
  // The download manager's lastDownloadedFile, read after a download ended.
  virtual std::wstring LastDownloadedFile() = 0;
  // IsValidDownloadUrl: false when the text is an object path on the file host.
  virtual bool IsFullUrl(const std::wstring& text) = 0;
  // Opens `path` so that nobody can change it and checks that its SHA-256
  // is `sha256` (OpenVerifiedFile). Null with the reason in `failure`.
  virtual std::unique_ptr<platform::ReadableFile> HoldVerified(const std::wstring& path,
                                                 const std::string& sha256,
                                                 std::wstring& failure) = 0;
  // The file to start for a downloaded one: a ZIP is unpacked into a new
  // folder in the working folder and its first executable returned.
  virtual std::wstring PrepareInstaller(const std::wstring& path) = 0;
  // Starts the installer on a task, keeping `held` (the verified file, or
  // null) open until the launch has ended. A waited-for start ends through
  // InstallRun::LaunchEnded.
  virtual void StartLaunch(const std::wstring& path, const std::wstring& arguments,
                           bool waitForExit, std::unique_ptr<platform::ReadableFile> held) = 0;
  // Event `code` for `package`; `failure`, when not empty, is sent as
  // {"12": failure}.
  virtual void Report(Package& package, std::int32_t code, const std::wstring& failure) = 0;
  // ISV: the downloads are over and installing begins (marquee bar, busy).
  virtual void InstallStarting() = 0;
  // ISV: the main installer ended, or the last offer installer started.
  virtual void InstallEnded() = 0;
  // The run ended well: on to the finish page.
  virtual void Finish() = 0;
  // The run ended with the main product failed: the error page with the
  // texts of these locale keys.
  virtual void ShowError(const char* titleKey, const char* textKey) = 0;
};

// The main installer's arguments when the option pages were shown:
// "/S /FORCEINSTALL " and sixteen digits from the eight option choices.
std::wstring BuildForceInstallArgs(const std::array<bool, 8>& optionChecks);

class InstallRun {
 public:
  InstallRun(InstallWizard wizard, ConfigurationManager& settings,
             platform::CodePages& codePages, InstallRunHost& host)
      : wizard_(wizard), settings_(settings), codePages_(codePages), host_(host) {}

  // The page became current: queue the main product and the accepted
  // offers, record the shown partner offers, start the first download.
  void Start();
  // The running download has ended with `result`.
  void DownloadEnded(const DownloadResult& result);
  // ISV: the waited-for main installer has ended with `result`.
  void LaunchEnded(const LaunchResult& result);

  bool mainFailed() const { return mainFailed_; }
  const std::wstring& mainInstallerPath() const { return mainInstallerPath_; }

 private:
  struct Downloaded {
    std::shared_ptr<Package> package;
    std::wstring path;
  };

  void StartNextDownload();
  void StartNextInstall();
  // After the last download (DLM) or the last installer start: finish or
  // show the error.
  void End();
  // An entry has left the install queue: the next one, or the end.
  void AfterInstall();
  void ReportFailure(Package& package, const std::wstring& text);
  std::wstring Prefixed(const std::wstring& text);
  std::wstring InstallArguments(const Package& package) const;

  InstallWizard wizard_;
  ConfigurationManager& settings_;
  platform::CodePages& codePages_;
  InstallRunHost& host_;
  std::deque<std::shared_ptr<Package>> downloadQueue_;
  std::deque<Downloaded> installQueue_;
  std::wstring mainInstallerPath_;
  bool mainFailed_ = false;
};
