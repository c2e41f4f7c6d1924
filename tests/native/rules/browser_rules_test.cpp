// Chrome present or not (three folders, the App Paths "Path" and the beacon
// "Path"), the Internet Explorer version, and the partner's no-show date.
#include <string>
#include <vector>

#include "rules/rule_engine_fixture.h"

namespace {


const JsonValue kRequireChrome = {{"x", 12}};
const JsonValue kRejectChrome = {{"x", 13}};
const JsonValue kCheckIe = {{"x", 2}};  // also requires Chrome

class BrowserRules : public RuleEngineFixture {
 protected:
  void AppPathsFolder(const std::wstring& folder) {
    machineRegistry->SetString(
        kHklm, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe", L"Path",
        folder);
  }
  void Beacon(const std::wstring& path) {
    machineRegistry->SetString(kHkcu, L"SOFTWARE\\Google\\Chrome\\BLBeacon", L"Path", path);
  }
  void IeVersion(const std::wstring& version) {
    machineRegistry->SetString(kHklm, L"SOFTWARE\\Microsoft\\Internet Explorer", L"Version",
                               version);
  }
};

TEST_F(BrowserRules, ChromeLocations) {
  const struct {
    const char* name;
    std::vector<std::wstring> files;
    const wchar_t* appPathsFolder;
    const wchar_t* beacon;
    bool present;
  } cases[] = {
      {"none", {}, nullptr, nullptr, false},
      {"Chromium in the native Program Files",
       {L"C:\\Program Files\\Chromium\\Application\\chrome.exe"},
       nullptr,
       nullptr,
       true},
      {"Chrome in the native Program Files",
       {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe"},
       nullptr,
       nullptr,
       true},
      {"Chrome in Program Files (x86) is not a location",
       {L"C:\\Program Files (x86)\\Google\\Chrome\\Application\\chrome.exe"},
       nullptr,
       nullptr,
       false},
      {"Chromium under local application data",
       {L"C:\\Users\\u\\AppData\\Local\\Chromium\\Application\\chrome.exe"},
       nullptr,
       nullptr,
       true},
      {"Chrome under local application data, nothing registered",
       {L"C:\\Users\\u\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe"},
       nullptr,
       nullptr,
       false},
      {"App Paths folder", {L"D:\\Apps\\Chrome\\chrome.exe"}, L"D:\\Apps\\Chrome", nullptr, true},
      {"App Paths folder ending with a backslash",
       {L"D:\\Apps\\Chrome\\\\chrome.exe"},
       L"D:\\Apps\\Chrome\\",
       nullptr,
       true},
      {"App Paths folder without chrome.exe", {}, L"D:\\Apps\\Chrome", nullptr, false},
      {"beacon path taken as it is",
       {L"C:\\Users\\u\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe"},
       nullptr,
       L"C:\\Users\\u\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe",
       true},
      {"beacon naming a missing file", {}, nullptr, L"C:\\nowhere\\chrome.exe", false},
  };
  for (const auto& c : cases) {
    UseMachine(Machine::kWow64Process);
    ruleFiles.files = {c.files.begin(), c.files.end()};
    if (c.appPathsFolder) AppPathsFolder(c.appPathsFolder);
    if (c.beacon) Beacon(c.beacon);
    const auto engine = MakeEngine();
    EXPECT_EQ(Verdict(*engine, kRequireChrome), c.present ? "accepted" : "NO CHROME") << c.name;
    EXPECT_EQ(Verdict(*engine, kRejectChrome), c.present ? "HAVE CHROME" : "accepted") << c.name;
  }
}

TEST_F(BrowserRules, ChromeRegistryValuesAreReadInTheDefaultViewOnly) {
  // Under WOW64 the default view of HKLM\SOFTWARE is the 32-bit branch.
  machineRegistry->SetString(kHklm,
                             L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe",
                             L"Path", L"D:\\Chrome64", k64);
  ruleFiles.files = {L"D:\\Chrome64\\chrome.exe"};
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, kRequireChrome), "NO CHROME");
  EXPECT_EQ(Verdict(*engine, {{"v", 1}}), "accepted") << "no browser rule asked: no file test";
}

TEST_F(BrowserRules, ChromeFilesAreTestedInTheNativeFileView) {
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, kRequireChrome), "NO CHROME");
  ASSERT_EQ(ruleFiles.asked.size(), 3u);
  for (const auto& asked : ruleFiles.asked) EXPECT_TRUE(asked.native);
}

TEST_F(BrowserRules, InternetExplorerVersion) {
  ruleFiles.files = {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe"};
  const struct {
    const wchar_t* version;
    const char* verdict;
  } cases[] = {
      {L"11.0.9600.16428", "accepted"},
      {L"9.11.19041.0", "accepted"},  // what IE 10 and later store there
      {L"9.0", "accepted"},
      {L"8.0.7601.17514", "OLD IE VERSION"},
      {L"8.99", "OLD IE VERSION"},
      {L" 6", "OLD IE VERSION"},
  };
  for (const auto& c : cases) {
    UseMachine(Machine::kWow64Process);
    IeVersion(c.version);
    EXPECT_EQ(Verdict(*MakeEngine(), kCheckIe), c.verdict);
  }
  UseMachine(Machine::kWow64Process);
  EXPECT_EQ(Verdict(*MakeEngine(), kCheckIe), "accepted") << "no Internet Explorer key";
}

TEST_F(BrowserRules, InternetExplorerVersionTextsThatEndTheWalk) {
  ruleFiles.files = {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe"};
  const struct {
    const wchar_t* version;
    const char* what;
  } cases[] = {{L"", "invalid stof argument"},
               {L"ie9", "invalid stof argument"},
               {L"1e39", "stof argument out of range"}};
  for (const auto& c : cases) {
    UseMachine(Machine::kWow64Process);
    IeVersion(c.version);
    const auto engine = MakeEngine();
    std::string what;
    try {
      Check(*engine, kCheckIe);
    } catch (const std::exception& e) {
      what = e.what();
    }
    EXPECT_EQ(what, c.what);
  }
}

TEST_F(BrowserRules, PartnerNoShowDate) {
  // The fake clock's local date is 2023-11-14.
  const struct {
    const char* name;
    JsonValue ps;
    bool seed;
    std::uint32_t stored;
    const char* verdict;
  } cases[] = {
      {"until tomorrow", {{"pnr", "SOFTWARE\\Partner\\Until"}}, true, 20231115, "PN NO SHOW"},
      {"until today", {{"pnr", "SOFTWARE\\Partner\\Until"}}, true, 20231114, "accepted"},
      {"until yesterday", {{"pnr", "SOFTWARE\\Partner\\Until"}}, true, 20231113, "accepted"},
      {"not a date: compared as text",
       {{"pnr", "SOFTWARE\\Partner\\Until"}},
       true,
       3,
       "PN NO SHOW"},
      {"no marker", {{"pnr", "SOFTWARE\\Partner\\Until"}}, false, 0, "accepted"},
      {"no backslash", {{"pnr", "Until"}}, true, 20991231, "accepted"},
  };
  for (const auto& c : cases) {
    UseMachine(Machine::kWow64Process);
    // Written where the marker writer puts it: HKLM, the default view.
    if (c.seed) machineRegistry->SetDword(kHklm, L"SOFTWARE\\Partner", L"Until", c.stored);
    JsonValue ps = c.ps;
    ps["pn"] = true;
    EXPECT_EQ(Verdict(*MakeEngine(), ps), c.verdict) << c.name;
    ps["pn"] = false;
    EXPECT_EQ(Verdict(*MakeEngine(), ps), "accepted") << c.name << ": partner block off";
  }
}

TEST_F(BrowserRules, PartnerMarkerWrittenByTheOfferIsReadBack) {
  const JsonValue ps = {{"pn", true}, {"pnr", "SOFTWARE\\Partner\\{of}"}};
  // The writer uses the package's own registry; here the rules' one.
  PackageServices copy = *services;
  auto writerServices = std::make_shared<PackageServices>(PackageServices{
      copy.settings, copy.system, copy.codePages, copy.crypto, copy.clock, *machineRegistry,
      copy.eventSender, copy.eventPause, copy.downloads, copy.decodePicture});
  JsonValue offer = BaseOffer();
  Update(offer["ps"], ps);
  Package writer(writerServices, EventTemplate(), offer, false, "", 0);
  ASSERT_TRUE(writer.RecordPartnerShown());
  EXPECT_EQ(Verdict(*MakeEngine(), ps), "PN NO SHOW");
  clock.millis += 180LL * 86400 * 1000;
  EXPECT_EQ(Verdict(*MakeEngine(), ps), "accepted") << "180 days later";
}

}  // namespace
