#include "config/configuration_manager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "support/test_constants.h"

namespace {

struct Fixture : ::testing::Test {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;

  std::unique_ptr<ConfigurationManager> Make(const std::wstring& wizard) {
    return std::make_unique<ConfigurationManager>(
        TestConstants(wizard), ConfigurationPlatform{files, system, registry, clock, dialogs});
  }
};

using ConfigurationManagerTest = Fixture;

TEST_F(ConfigurationManagerTest, IsvModeAppliesTheProductConstants) {
  auto settings = Make(L"ISV");
  EXPECT_EQ(settings->wizardType, kWizardIsv);
  EXPECT_EQ(settings->productTitle, L"Pellio Classic");
  EXPECT_EQ(settings->mainSourceUrl,
            L"https://rollout.test/endpoint/pellio/os/tarnrollout/track/stable");
  EXPECT_EQ(settings->installerObjectPath, L"Varnex/PellioClassic/2025-01-29/Pellio_.exe");
  EXPECT_EQ(settings->privacyUrl, L"https://www.test/legal/privacy-policy/");
  EXPECT_EQ(settings->termsUrl, L"https://www.test/legal/terms-of-use/");
  EXPECT_EQ(settings->mainInstallArgs, L"/S");
  EXPECT_EQ(settings->productExePath, L"{commonappdata}\\Pellio\\Pellio.exe");
  EXPECT_EQ(settings->mainFileName, L"");
  EXPECT_FALSE(settings->workFolder.empty());
  EXPECT_EQ(settings->downloadFolder, settings->workFolder);
  EXPECT_TRUE(dialogs.shown.empty());
}

// Identity and endpoints come from the constants, the hosts and the
// executable's own version resource in either wizard mode.
TEST_F(ConfigurationManagerTest, CommonFieldsComeFromConstantsHostsAndVersion) {
  auto settings = Make(L"DLM");
  EXPECT_EQ(settings->productId, L"PellioClassic");
  EXPECT_EQ(settings->publisher, L"Varnex");
  EXPECT_EQ(settings->stubId, L"PellioClassic_VLM");
  EXPECT_EQ(settings->programVersion, L"1.2.3.4");
  EXPECT_EQ(settings->configUrl, L"https://cdn.test/o");
  EXPECT_EQ(settings->eventsUrl, L"https://cdn.test/zbd");
  EXPECT_EQ(settings->fileBaseUrl, L"https://cdn.test/f/");
}

TEST_F(ConfigurationManagerTest, DlmModeWaitsForTheResponseAndUsesDownloads) {
  auto settings = Make(L"DLM");
  EXPECT_EQ(settings->wizardType, kWizardDlm);
  EXPECT_EQ(settings->productTitle, L"");
  EXPECT_EQ(settings->mainSourceUrl, L"");
  EXPECT_EQ(settings->installerObjectPath, L"");
  EXPECT_EQ(settings->privacyUrl, L"");
  EXPECT_EQ(settings->mainInstallArgs, L"");
  EXPECT_EQ(settings->productExePath, L"");
  EXPECT_EQ(settings->downloadFolder, L"C:\\Users\\u\\Downloads");
  EXPECT_FALSE(settings->workFolder.empty());
}

TEST_F(ConfigurationManagerTest, UnknownWizardNameWarnsAndAppliesNoMode) {
  auto settings = Make(L"XYZ");
  EXPECT_EQ(settings->wizardType, kWizardUnknown);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, L"Unknown wizard type");
  EXPECT_EQ(settings->productTitle, L"");
  EXPECT_EQ(settings->workFolder, L"");
  EXPECT_EQ(settings->downloadFolder, L"");
  EXPECT_EQ(settings->productId, L"PellioClassic");
}

TEST(WizardType, NameTable) {
  EXPECT_EQ(WizardTypeFromName(L"DLM"), 1);
  EXPECT_EQ(WizardTypeFromName(L"ISV"), 2);
  EXPECT_EQ(WizardTypeFromName(L"isv"), 0);
  EXPECT_EQ(WizardTypeFromName(L""), 0);
}

TEST_F(ConfigurationManagerTest, WorkFolderReplacesTheReservedFileWithAPrivateFolder) {
  const std::wstring folder = CreateWorkFolder(files);
  EXPECT_EQ(folder, L"C:\\Temp\\ISVA1.tmp");
  EXPECT_TRUE(files.directories.count(folder));
  EXPECT_FALSE(files.files.count(folder));
  EXPECT_EQ(files.heldFolders.count(folder), 1u) << "held until the clean-up";
  // SYSTEM and Administrators only, protected from inheritance: nothing for
  // the user, Users, Authenticated Users or Everyone.
  ASSERT_EQ(files.securityAsked.size(), 1u);
  EXPECT_EQ(files.securityAsked[0], L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

// Another process may take the reserved name between the deletion of the
// reserving file and the creation of the folder: its folder or junction is
// never taken for ours.
TEST_F(ConfigurationManagerTest, AWorkFolderNameTakenMeanwhileIsNeverUsed) {
  files.takenMeanwhile = {L"C:\\Temp\\ISVA1.tmp", L"C:\\Temp\\ISVA2.tmp"};
  EXPECT_EQ(CreateWorkFolder(files), L"C:\\Temp\\ISVA3.tmp");
  EXPECT_EQ(files.privateFolders, std::vector<std::wstring>{L"C:\\Temp\\ISVA3.tmp"});

  files = FakeFileSystem();
  for (unsigned unique = 0xA1; unique < 0xA1 + kWorkFolderAttempts; ++unique) {
    wchar_t name[32];
    std::swprintf(name, 32, L"C:\\Temp\\ISV%X.tmp", unique);
    files.takenMeanwhile.insert(name);
  }
  EXPECT_EQ(CreateWorkFolder(files), L"") << "gives up after a few names";
  EXPECT_TRUE(files.privateFolders.empty());
}

TEST_F(ConfigurationManagerTest, WorkFolderIsEmptyWhenAnyStepFails) {
  files.uniqueFileFails = true;
  EXPECT_EQ(CreateWorkFolder(files), L"");
  files.uniqueFileFails = false;
  files.makeDirectoryFails = true;
  EXPECT_EQ(CreateWorkFolder(files), L"");
  files.makeDirectoryFails = false;
  files.tempFolder.clear();
  EXPECT_EQ(CreateWorkFolder(files), L"");
}

TEST_F(ConfigurationManagerTest, IsvDownloadFolderIsEmptyWhenTheWorkFolderFails) {
  files.makeDirectoryFails = true;
  auto settings = Make(L"ISV");
  EXPECT_EQ(settings->workFolder, L"");
  EXPECT_EQ(settings->downloadFolder, L"");
}

TEST_F(ConfigurationManagerTest, DlmDownloadFolderFallsBackInOrder) {
  EXPECT_EQ(FindDlmDownloadFolder(system, files), L"C:\\Users\\u\\Downloads");
  system.hasDownloads = false;
  EXPECT_EQ(FindDlmDownloadFolder(system, files), L"C:\\Users\\u\\Documents");
  EXPECT_EQ(system.csidlsAsked.back(), 5);
  system.hasDocuments = false;
  EXPECT_EQ(FindDlmDownloadFolder(system, files), L"C:\\Temp\\");
  files.tempFolder.clear();
  EXPECT_EQ(FindDlmDownloadFolder(system, files), L"C:\\");
}

TEST_F(ConfigurationManagerTest, SessionIdStaysTheSameForTheWholeRun) {
  auto settings = Make(L"ISV");
  clock.millis = 1733875199000;  // 2024-12-10 23:59:59
  const std::string first = settings->GetSessionId();
  EXPECT_EQ(first, "20241210235959");
  clock.millis += 2000;  // past midnight
  EXPECT_EQ(settings->GetSessionId(), first);
  EXPECT_EQ(settings->sessionId, first);
}

TEST_F(ConfigurationManagerTest, EmptySessionIdIsComputedAgainOnTheNextCall) {
  auto settings = Make(L"ISV");
  clock.localTimeOk = false;
  EXPECT_EQ(settings->GetSessionId(), "");
  clock.localTimeOk = true;
  EXPECT_EQ(settings->GetSessionId().size(), 14u);
}

TEST_F(ConfigurationManagerTest, MachineGuidIsReadOnce) {
  auto settings = Make(L"ISV");
  registry.keys[std::to_string(platform::kHkeyLocalMachine) + "\\SOFTWARE\\Microsoft\\Cryptography"]
               ["MachineGuid"] = "guid-1";
  EXPECT_EQ(settings->GetMachineGuid(), "guid-1");
  registry.keys.clear();
  EXPECT_EQ(settings->GetMachineGuid(), "guid-1");
  EXPECT_EQ(registry.accessAsked.size(), 1u);
}

}  // namespace
