#include "install/install_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/package_fixture.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The verified file as the run passes it on; never read here.
class HeldFile : public platform::ReadableFile {
 public:
  std::uint64_t Size() const override { return 0; }
  bool ReadAt(std::uint64_t, void*, std::size_t, std::size_t& read, std::uint32_t&) override {
    read = 0;
    return true;
  }
};

// The page as the run sees it: downloads and launches are recorded and end
// when the test says so; everything else is written to one log.
class ScriptedHost : public InstallRunHost {
 public:
  std::vector<std::string> log;
  std::wstring nextFile;
  // Files whose digest does not match what the server named.
  std::vector<std::wstring> tampered;

  void StartDownload(const UrlPair& urls, const std::wstring& fileName,
                     bool useWorkFolder) override {
    log.push_back("download " + Narrow(urls.first) + " | " + Narrow(urls.second) + " | " +
                  Narrow(fileName) + (useWorkFolder ? " | work" : " | downloads"));
  }
  std::wstring LastDownloadedFile() override { return nextFile; }
  bool IsFullUrl(const std::wstring& text) override { return text.rfind(L"https://", 0) == 0; }
  std::unique_ptr<platform::ReadableFile> HoldVerified(const std::wstring& path, const std::string& sha256,
                                         std::wstring& failure) override {
    log.push_back("verify " + Narrow(path) + " " + sha256.substr(0, 4));
    for (const std::wstring& bad : tampered) {
      if (bad == path) {
        failure = L"digest mismatch";
        return nullptr;
      }
    }
    return std::make_unique<HeldFile>();
  }
  std::wstring PrepareInstaller(const std::wstring& path) override {
    // A ZIP becomes the executable unpacked from it.
    if (path.size() > 4 && path.compare(path.size() - 4, 4, L".zip") == 0) {
      return path.substr(0, path.size() - 4) + L"\\setup.exe";
    }
    return path;
  }
  void StartLaunch(const std::wstring& path, const std::wstring& arguments, bool waitForExit,
                   std::unique_ptr<platform::ReadableFile> held) override {
    log.push_back("launch " + Narrow(path) + " [" + Narrow(arguments) + "]" +
                  (waitForExit ? " wait" : "") + (held ? " held" : ""));
  }
  void Report(Package& package, std::int32_t code, const std::wstring& failure) override {
    log.push_back("report " + std::to_string(code) + " " + package.offerId +
                  (failure.empty() ? "" : " " + Narrow(failure)));
  }
  void InstallStarting() override { log.push_back("install starting"); }
  void InstallEnded() override { log.push_back("install ended"); }
  void Finish() override { log.push_back("finish"); }
  void ShowError(const char* titleKey, const char* textKey) override {
    log.push_back(std::string("error ") + titleKey + " " + textKey);
  }
};

// One step the test takes after the run started: a download or the main
// installer ends.
struct Step {
  enum Kind { DownloadOk, DownloadFails, InstallerExits } kind;
  std::wstring file;            // DownloadOk: the file it wrote
  std::uint32_t exitCode = 0;  // InstallerExits
};

struct RunCase {
  const char* name;
  InstallWizard wizard;
  int offers;                    // accepted offers: offer1, offer2 ...
  std::vector<std::string> sha;  // "", or a digest, per offer
  std::vector<Step> steps;
  std::vector<std::string> expected;
  std::string launchPath;
};

class InstallRunTest : public PackageFixture {
 protected:
  void SetUp() override {
    PackageFixture::SetUp();
    settings->fileBaseUrl = L"https://files.test/f/";
    settings->mainSourceUrl = L"endpoint/main.exe";
    settings->installerObjectPath = L"objects/main.exe";
    settings->mainFileName = L"PellioSetup.exe";
    settings->mainInstallArgs = L"/S";
    settings->optionPages = false;
    settings->mainPackage = MakeMain();
    settings->mainPackage->offerId = "main";
  }
  std::shared_ptr<Package> Offer(int number, const std::string& sha256 = "") {
    std::string ps = R"({"u": "offer)" + std::to_string(number) + R"(.exe", "p": "/quiet")";
    if (!sha256.empty()) ps += R"(, "sha256": ")" + sha256 + "\"";
    auto offer = MakeOffer(OfferWith(ps + "}"), number - 1);
    offer->offerId = "offer" + std::to_string(number);
    return offer;
  }
};

TEST_F(InstallRunTest, RunsDownloadsAndInstallersToTheRightEnd) {
  using S = Step;
  const std::string digest(64, 'a');
  const RunCase cases[] = {
      {"isv, no offers: one download, the main installer waited for, then next",
       InstallWizard::Isv, 0, {},
       {{S::DownloadOk, L"W\\main.exe", 0}, {S::InstallerExits, L"", 0}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "install starting", "launch W\\main.exe [/S] wait", "install ended", "report 3 main",
        "finish"},
       "W\\main.exe"},
      {"isv, the main download fails, two offers: both started, then the error page",
       InstallWizard::Isv, 2, {},
       {{S::DownloadFails, L"", 0}, {S::DownloadOk, L"W\\offer1.exe", 0}, {S::DownloadOk, L"W\\offer2.exe", 0}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "report 3 main DOWNLOAD FAILED: 404 - not found",
        "download https://files.test/f/offer1.exe |  |  | work",
        "download https://files.test/f/offer2.exe |  |  | work", "install starting",
        "launch W\\offer1.exe [/quiet]", "report 3 offer1", "launch W\\offer2.exe [/quiet]",
        "report 3 offer2", "install ended", "error PAGE_ERROR_TITLE PAGE_ERROR_TEXT"},
       ""},
      {"isv, the main installer exits 1603: reported, the offer still started, error page",
       InstallWizard::Isv, 1, {},
       {{S::DownloadOk, L"W\\main.exe", 0}, {S::DownloadOk, L"W\\offer1.exe", 0},
        {S::InstallerExits, L"", 1603}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "download https://files.test/f/offer1.exe |  |  | work", "install starting",
        "launch W\\main.exe [/S] wait", "install ended",
        "report 3 main EXEC FAILED: exit code = 1603", "launch W\\offer1.exe [/quiet]",
        "report 3 offer1", "install ended", "error PAGE_ERROR_TITLE PAGE_ERROR_TEXT"},
       "W\\main.exe"},
      {"isv, every download fails: no install notification but the error page",
       InstallWizard::Isv, 1, {},
       {{S::DownloadFails, L"", 0}, {S::DownloadFails, L"", 0}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "report 3 main DOWNLOAD FAILED: 404 - not found",
        "download https://files.test/f/offer1.exe |  |  | work",
        "report -1 offer1 DOWNLOAD FAILED: 404 - not found", "install starting",
        "error PAGE_ERROR_TITLE PAGE_ERROR_TEXT"},
       ""},
      {"isv, a zip main product: its executable is started and becomes the launch path",
       InstallWizard::Isv, 0, {},
       {{S::DownloadOk, L"W\\main.zip", 0}, {S::InstallerExits, L"", 0}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "install starting", "launch W\\main\\setup.exe [/S] wait", "install ended",
        "report 3 main", "finish"},
       "W\\main\\setup.exe"},
      {"isv, an offer whose file is not the one named is never started",
       InstallWizard::Isv, 2, {digest, digest},
       {{S::DownloadOk, L"W\\main.exe", 0}, {S::DownloadOk, L"W\\tampered.exe", 0},
        {S::DownloadOk, L"W\\offer2.exe", 0}, {S::InstallerExits, L"", 0}},
       {"download https://files.test/f/endpoint/main.exe | https://files.test/f/objects/main.exe "
        "|  | work",
        "download https://files.test/f/offer1.exe |  |  | work",
        "download https://files.test/f/offer2.exe |  |  | work", "install starting",
        "launch W\\main.exe [/S] wait", "install ended", "report 3 main",
        "verify W\\tampered.exe aaaa", "report -1 offer1 DOWNLOAD FAILED: digest mismatch",
        "verify W\\offer2.exe aaaa", "launch W\\offer2.exe [/quiet] held", "report 3 offer2",
        "install ended", "finish"},
       "W\\main.exe"},
      {"dlm, no offers: the main product only downloaded, into Downloads under its name",
       InstallWizard::Dlm, 0, {},
       {{S::DownloadOk, L"D\\PellioSetup.exe", 0}},
       {"download endpoint/main.exe |  | PellioSetup.exe | downloads", "report 3 main",
        "finish"},
       "D\\PellioSetup.exe"},
      {"dlm, the main download fails: offers started back to back, the download error page",
       InstallWizard::Dlm, 2, {},
       {{S::DownloadFails, L"", 0}, {S::DownloadOk, L"W\\offer1.zip", 0}, {S::DownloadOk, L"W\\offer2.exe", 0}},
       {"download endpoint/main.exe |  | PellioSetup.exe | downloads",
        "report 3 main DOWNLOAD FAILED: 404 - not found",
        "download https://files.test/f/offer1.exe |  |  | work",
        "download https://files.test/f/offer2.exe |  |  | work",
        "launch W\\offer1\\setup.exe [/quiet]", "report 3 offer1",
        "launch W\\offer2.exe [/quiet]", "report 3 offer2",
        "error PAGE_DOWNLOAD_ERROR_TITLE PAGE_DOWNLOAD_ERROR_DESC"},
       ""},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    settings->acceptedOffers.clear();
    settings->launchPath.clear();
    for (int i = 1; i <= c.offers; ++i) {
      settings->acceptedOffers.push_back(
          Offer(i, c.sha.empty() ? std::string() : c.sha[static_cast<size_t>(i - 1)]));
    }
    ScriptedHost host;
    host.tampered = {L"W\\tampered.exe"};
    InstallRun run(c.wizard, *settings, codePages, host);
    run.Start();
    for (const Step& step : c.steps) {
      switch (step.kind) {
        case Step::DownloadOk:
          host.nextFile = step.file;
          run.DownloadEnded({true, L""});
          break;
        case Step::DownloadFails:
          run.DownloadEnded({false, L"404 - not found"});
          break;
        case Step::InstallerExits:
          run.LaunchEnded({step.exitCode,
                           step.exitCode ? L"exit code = " + std::to_wstring(step.exitCode)
                                         : L""});
          break;
      }
    }
    EXPECT_EQ(host.log, c.expected);
    EXPECT_EQ(Narrow(settings->launchPath), c.launchPath);
  }
}

TEST_F(InstallRunTest, MainFailureIsAnErrorReportWhenNotCountedAsInstalled) {
  settings->mainFailureAsInstalled = false;
  ScriptedHost host;
  InstallRun run(InstallWizard::Isv, *settings, codePages, host);
  run.Start();
  host.nextFile = L"W\\main.exe";
  run.DownloadEnded({true, L""});
  run.LaunchEnded({1603, L"exit code = 1603"});
  ASSERT_GE(host.log.size(), 2u);
  EXPECT_EQ(host.log[host.log.size() - 2], "report -1 main EXEC FAILED: exit code = 1603");
  EXPECT_TRUE(run.mainFailed());
}

TEST_F(InstallRunTest, ClosingStopsBeforeTheNextDownload) {
  settings->acceptedOffers = {Offer(1), Offer(2)};
  ScriptedHost host;
  InstallRun run(InstallWizard::Isv, *settings, codePages, host);
  run.Start();
  settings->closing = true;
  host.nextFile = L"W\\main.exe";
  run.DownloadEnded({true, L""});
  EXPECT_EQ(host.log.size(), 1u);  // the first download only
}

TEST_F(InstallRunTest, ShownPartnerOffersGetTheirMarkerAndFullUrlsStayAsTheyAre) {
  auto shown = Offer(1);
  shown->partnerEnabled = true;
  shown->partnerMarkerPath = "SOFTWARE\\Vendor\\Offers\\shown";
  settings->shownOffers = {shown};
  auto accepted = MakeOffer(OfferWith(R"({"u": "https://cdn.test:8443/setup.exe"})"));
  settings->acceptedOffers = {accepted};
  ScriptedHost host;
  InstallRun run(InstallWizard::Isv, *settings, codePages, host);
  run.Start();
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(registry.GetValueW(platform::kHkeyLocalMachine, L"SOFTWARE\\Vendor\\Offers", L"shown",
                               0xFFFF, &type, nullptr, &size),
            platform::kErrorSuccess);
  host.nextFile = L"W\\main.exe";
  run.DownloadEnded({true, L""});
  EXPECT_EQ(host.log.back(), "download https://cdn.test:8443/setup.exe |  |  | work");
}

TEST(BuildForceInstallArgs, SixteenDigitsFromTheEightChoices) {
  struct Case {
    std::array<bool, 8> checks;
    const wchar_t* digits;
  };
  const Case cases[] = {
      {{true, true, true, true, true, true, true, true}, L"1110010101111110"},
      {{false, false, false, false, false, false, false, false}, L"0000000101000000"},
      // The desktop icon and start with Windows.
      {{false, false, true, false, true, false, false, false}, L"0000010101000100"},
      // Each other choice alone shows where it goes; choice 5 twice.
      {{true, false, false, false, false, false, false, false}, L"0000000101000010"},
      {{false, true, false, false, false, false, false, false}, L"0000000101001000"},
      {{false, false, false, true, false, false, false, false}, L"0010000101000000"},
      {{false, false, false, false, false, true, false, false}, L"1000000101010000"},
      {{false, false, false, false, false, false, true, false}, L"0100000101000000"},
      {{false, false, false, false, false, false, false, true}, L"0000000101100000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildForceInstallArgs(c.checks), std::wstring(L"/S /FORCEINSTALL ") + c.digits);
  }
}

}  // namespace
