// The offer rule engine on the real machine of the Wine prefix: keys and
// values in both registry views, App Paths entries pointing at real and
// missing files, a process of our own running, files under the real Program
// Files and local application data folders, an uninstall time and a partner
// marker. Offers walk to the expected accepted list, and the reference
// server (over TLS) receives the expected event 2 reasons.
//
// This suite is a 64-bit process in the x86-64 build and a 32-bit process
// under WOW64 in the i686 build; where the two see different things (the
// "win64" rule, the 32-bit registry branch) it expects what this process
// sees. Everything it seeds carries this process's id and is removed again.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../../shared/json_support.h"

#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "config/package.h"
#include "events/event_template.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"
#include "rules/offer_rule_engine.h"
#include "rules/path_macros.h"
#include "../../shared/counting_registry.h"

namespace {

namespace w = platform::win32;

constexpr bool kThirtyTwoBit = sizeof(void*) == 4;
constexpr wchar_t kHoldArgument[] = L"--vellam-hold";
constexpr wchar_t kAppPaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A copy of this program started with kHoldArgument is the "running
// application": it waits here, before any test runs, until it is ended.
const bool kHeld = [] {
  if (wcsstr(GetCommandLineW(), kHoldArgument)) {
    Sleep(300000);
    ExitProcess(0);
  }
  return false;
}();

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// One of the server's JSON-lines logs, read through Wine's Z: drive.
std::vector<JsonValue> ServerLog(const char* name) {
  const char* logs = std::getenv("VELLAM_DEVSERVER_LOGS");
  if (!logs) return {};
  std::string file = std::string("Z:") + logs + "/" + name;
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
  std::ifstream in(file, std::ios::binary);
  std::vector<JsonValue> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(ParseJson(line));
  return lines;
}

// The reasons ("13") of the event 2 reports the server accepted for an offer.
std::vector<std::string> ReasonsFor(const std::string& offerId) {
  std::vector<std::string> reasons;
  for (const JsonValue& entry : ServerLog("events.jsonl")) {
    const JsonValue& data = entry["data"];
    if (TextOr(data, "5") == offerId && TextOr(data, "6") == "2") {
      reasons.push_back(TextOr(data, "13"));
    }
  }
  return reasons;
}

HKEY Create(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS)
      << Narrow(path);
  return key;
}

void SetString(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name,
               const std::wstring& text) {
  HKEY key = Create(root, path, view);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void SetDword(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name, DWORD value) {
  HKEY key = Create(root, path, view);
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
  const std::size_t split = path.rfind(L'\\');
  HKEY parent = nullptr;
  if (RegOpenKeyExW(root, path.substr(0, split).c_str(), 0, KEY_ALL_ACCESS | view, &parent) !=
      ERROR_SUCCESS) {
    return;
  }
  RegDeleteTreeW(parent, path.substr(split + 1).c_str());
  RegCloseKey(parent);
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateEmptyFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Narrow(path);
  CloseHandle(file);
}

void MakeFolders(const std::wstring& path) {
  for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos;
       at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

struct OfferCase {
  std::string id;
  JsonValue ps;
  std::string reason;  // empty: accepted
};

class OfferRulesWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(kHeld);
    ASSERT_NE(std::getenv("VELLAM_DEVSERVER_LOGS"), nullptr)
        << "run through tools/devserver/serve (see tests/win32/rules/ctest.cmake)";
    ASSERT_NE(w::WinHttpApi(), nullptr);
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.productTitle = L"Pellio Classic";
    constants.configHost = L"localhost";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                         w::RealClock(), w::RealDialogs()});
    if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
    services = std::make_shared<PackageServices>(PackageServices{
        *settings, w::RealSystemInfo(), w::RealCodePages(), w::RealCrypto(), w::RealClock(),
        w::RealRegistry(), client, [](std::uint32_t) {}, nullptr, nullptr});

    tag = L"VellamRules" + std::to_wstring(GetCurrentProcessId());
    vendorKey = L"SOFTWARE\\" + tag + L"Vendor";
    vendor32Key = L"SOFTWARE\\" + tag + L"Vendor32";
    userKey = L"Software\\" + tag + L"User";
    partnerKey = L"SOFTWARE\\" + tag + L"Partner";
    const PathMacroTable macros = settings->GetPathMacros();
    programFolder = ExpandPathMacros(L"{commonpf}\\" + tag, macros);
    localFolder = ExpandPathMacros(L"{localappdata}\\" + tag, macros);
    chromiumFolder = ExpandPathMacros(L"{localappdata}\\Chromium\\Application", macros);
    ASSERT_EQ(programFolder.find(L'{'), std::wstring::npos) << Narrow(programFolder);
    ASSERT_FALSE(localFolder.empty());
    Clean();
    Seed();
  }

  void TearDown() override {
    if (blocker.hProcess) {
      TerminateProcess(blocker.hProcess, 0);
      WaitForSingleObject(blocker.hProcess, 10000);
      CloseHandle(blocker.hProcess);
      CloseHandle(blocker.hThread);
    }
    Clean();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, vendorKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, vendor32Key, KEY_WOW64_32KEY));
    EXPECT_EQ(GetFileAttributesW(programFolder.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  void Seed() {
    const std::wstring now = std::to_wstring(static_cast<long long>(time(nullptr)));
    SetString(HKEY_LOCAL_MACHINE, vendorKey, KEY_WOW64_64KEY, L"InstallDir", L"C:\\Vendor");
    SetString(HKEY_LOCAL_MACHINE, vendorKey, KEY_WOW64_64KEY, L"Version", L"2.5");
    SetDword(HKEY_LOCAL_MACHINE, vendorKey, KEY_WOW64_64KEY, L"Flag", 1);
    SetString(HKEY_LOCAL_MACHINE, vendor32Key, KEY_WOW64_32KEY, L"InstallDir", L"C:\\Vendor32");
    const long long dayAgo = static_cast<long long>(time(nullptr)) - 86400 - 60;
    SetString(HKEY_CURRENT_USER, userKey, 0, L"Uninstalled", std::to_wstring(dayAgo));

    MakeFolders(programFolder);
    MakeFolders(localFolder);
    MakeFolders(chromiumFolder);
    CreateEmptyFile(programFolder + L"\\present.txt");
    CreateEmptyFile(programFolder + L"\\tool.exe");
    CreateEmptyFile(localFolder + L"\\here.txt");
    CreateEmptyFile(chromiumFolder + L"\\chrome.exe");
    SetString(HKEY_LOCAL_MACHINE, kAppPaths + tag + L"Tool.exe", KEY_WOW64_64KEY, L"",
              programFolder + L"\\tool.exe");
    SetString(HKEY_CURRENT_USER, kAppPaths + tag + L"Gone.exe", 0, L"",
              programFolder + L"\\gone.exe");

    // A running process of our own, under a name of its own.
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    blockerPath = localFolder + L"\\" + tag + L"Blocker.exe";
    ASSERT_TRUE(CopyFileW(self, blockerPath.c_str(), FALSE));
    std::wstring commandLine = L"\"" + blockerPath + L"\" " + kHoldArgument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(blockerPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &blocker));
  }

  void Clean() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      for (const std::wstring& key : {vendorKey, vendor32Key, partnerKey}) {
        DeleteTree(HKEY_LOCAL_MACHINE, key, view);
      }
      DeleteTree(HKEY_LOCAL_MACHINE, kAppPaths + tag + L"Tool.exe", view);
    }
    DeleteTree(HKEY_CURRENT_USER, userKey, 0);
    DeleteTree(HKEY_CURRENT_USER, kAppPaths + tag + L"Gone.exe", 0);
    for (const std::wstring& file :
         {programFolder + L"\\present.txt", programFolder + L"\\tool.exe",
          localFolder + L"\\here.txt", chromiumFolder + L"\\chrome.exe", blockerPath}) {
      if (!file.empty()) DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(programFolder.c_str());
    RemoveDirectoryW(localFolder.c_str());
    RemoveDirectoryW(chromiumFolder.c_str());
    RemoveDirectoryW(chromiumFolder.substr(0, chromiumFolder.rfind(L'\\')).c_str());
  }

  std::shared_ptr<Package> MakeOffer(const std::string& id, JsonValue ps, std::int32_t index) {
    ps["i"] = "Nimbus";
    ps["dn"] = "Offer";
    ps["u"] = "https://localhost/f/x";
    const JsonValue offer = {{"ad", {{"f", "feed-r"}, {"o", id}}}, {"ps", ps}};
    return std::make_shared<Package>(services,
                                     EventTemplate(*settings, w::RealSystemInfo(), w::RealCodePages()),
                                     offer, false, "", index);
  }

  // The loading task's walk; a rejected offer's report is finished before
  // the next offer is built.
  std::vector<std::string> Walk(OfferRuleEngine& engine, const std::vector<OfferCase>& cases) {
    PackageList accepted;
    std::vector<std::string> ids;
    for (const OfferCase& c : cases) {
      const std::shared_ptr<Package> offer =
          MakeOffer(c.id, c.ps, static_cast<std::int32_t>(accepted.size()));
      bool stop = false;
      if (engine.CheckOffer(offer, stop, accepted)) {
        accepted.push_back(offer);
        ids.push_back(c.id);
      } else {
        offer->WaitForEvents();
      }
      if (stop) break;
    }
    return ids;
  }

  OfferRulePlatform Platform() {
    return OfferRulePlatform{w::RealRegistry(), w::RealSystemInfo(),      w::RealFileSystem(),
                             w::RealMachineState(),        w::RealClock(), w::RealCodePages()};
  }

  std::string Id(const char* name) { return Narrow(tag) + "-" + name; }
  std::string Name(const wchar_t* suffix) { return Narrow(tag + suffix); }

  HttpJsonClient client{w::RealWinHttp(), w::RealSystemInfo()};
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<PackageServices> services;
  std::wstring tag, vendorKey, vendor32Key, userKey, partnerKey;
  std::wstring programFolder, localFolder, chromiumFolder, blockerPath;
  PROCESS_INFORMATION blocker{};
};

TEST_F(OfferRulesWin32, OffersWalkToTheExpectedListAndReasons) {
  platform::OsVersion os;
  ASSERT_TRUE(w::RealSystemInfo().QueryOsVersion(os));
  const bool windows10 = os.major >= 10;
  const std::string vendor = Name(L"Vendor");
  const std::string vendor32 = Name(L"Vendor32");
  const std::string user = Name(L"User");
  const std::string program = "{commonpf}\\" + Name(L"");
  const std::string local = "{localappdata}\\" + Name(L"");

  // The partner offer was shown once: its marker keeps it away for 180 days.
  const JsonValue partner = {{"pn", true}, {"pnr", Narrow(partnerKey) + "\\Until"}};
  ASSERT_TRUE(MakeOffer(Id("partner-shown"), partner, 0)->RecordPartnerShown());

  int vertical = 0;
  const auto ps = [&vertical](JsonValue members) {
    members["v"] = ++vertical;
    return members;
  };
  const auto uninstall = [&user](int minDays) {
    return JsonValue{{"utr", "HKEY_CURRENT_USER"},
                {"utk", "software\\" + user},
                {"utvn", "uninstalled"},
                {"utvt", "REG_SZ"},
                {"umd", minDays}};
  };
  const std::vector<OfferCase> cases = {
      {Id("r-absent"), ps({{"r", {Name(L"Absent")}}}), ""},
      {Id("mb"), ps({{"pn", true}, {"cfs", {{"mb", 0}}}}),
       "SHOWED 1 PRODUCTS BUT ONLY 0 ALLOWED BEFORE"},
      {Id("same-vertical"), {{"v", 1}}, "SAME VERTICAL OFFER ALREADY PRESENT"},
      {Id("r-64"), ps({{"r", {vendor}}}), "REGISTRY KEY EXISTS"},
      // The 32-bit branch is a candidate of a relative path under WOW64 only.
      {Id("r-32"), ps({{"r", {vendor32}}}), kThirtyTwoBit ? "REGISTRY KEY EXISTS" : ""},
      {Id("r-hklm-64-view"), ps({{"r", {"hklm\\software\\" + vendor32}}}), ""},
      {Id("ir-user"), ps({{"ir", {"HKCU\\Software\\" + user}}}), ""},
      {Id("ir-none"), ps({{"ir", {Name(L"Absent"), ""}}}), "NONE OF THE REGISTRY KEYS EXISTS"},
      {Id("rvn"), ps({{"rvn", {vendor + "\\InstallDir"}}}), "REGISTRY VALUE EXISTS"},
      {Id("rvn-32"), ps({{"rvn", {vendor32 + "\\InstallDir"}}}),
       kThirtyTwoBit ? "REGISTRY VALUE EXISTS" : ""},
      {Id("rvd-sz"), ps({{"rvd", {vendor + "\\Version\\2.5"}}}), "REGISTRY VALUE DATA MATCHES"},
      {Id("rvd-dword"), ps({{"rvd", {vendor + "\\Flag\\1"}}}), "REGISTRY VALUE DATA MATCHES"},
      {Id("rvd-other"), ps({{"rvd", {vendor + "\\Flag\\7", vendor + "\\Version\\2"}}}), ""},
      {Id("disk"), ps({{"disk", 1}}), ""},
      {Id("ram"), ps({{"ram", 1}}), ""},
      {Id("ram-huge"), ps({{"ram", 1LL << 40}}), "NOT ENOUGH RAM"},
      {Id("cpu"), ps({{"cpu", 1}}), ""},
      {Id("ov-10"), ps({{"ov", 100}}), windows10 ? "" : "UNSUPPORTED OS VERSION"},
      {Id("ov-7"), ps({{"ov", 61}}), ""},
      {Id("pv"), ps({{"pv", "999"}}), "UNSUPPORTED PLATFORM VERSION"},
      {Id("win64"), ps({{"win64", true}}), kThirtyTwoBit ? "" : "64 BIT OS REQUIRED"},
      {Id("fe"), ps({{"fe", {program + "\\present.txt"}}}), "FILE EXISTS"},
      {Id("fe-absent"), ps({{"fe", {program + "\\absent.txt", local + "\\{nomacro}"}}}), ""},
      {Id("ife"), ps({{"ife", {local + "\\absent.txt", local + "\\here.txt"}}}), ""},
      {Id("ife-none"), ps({{"ife", {local + "\\absent.txt"}}}), "NONE OF THE FILES EXISTS"},
      {Id("running"), ps({{"a", {Name(L"Blocker")}}}), "APPLICATION RUNNING"},
      {Id("running-case"), ps({{"a", {Name(L"blocker")}}}), ""},
      {Id("iapp"), ps({{"iapp", {Name(L"TOOL.exe")}}}), ""},
      {Id("iapp-gone"), ps({{"iapp", {Name(L"Tool.exe"), Name(L"Gone.exe")}}}),
       "REGISTRY INCLUDE APP NOT FOUND"},
      {Id("eapp"), ps({{"eapp", {Name(L"gone.exe"), Name(L"tool.exe")}}}),
       "REGISTRY EXCLUDE APP FOUND"},
      {Id("cmdu"), ps({{"cmdu", {uninstall(0), uninstall(3)}}}), "MIN DAYS UNINSTALL CHECKER"},
      {Id("cmdu-passed"), ps({{"cmdu", {uninstall(1)}}}), ""},
      {Id("chrome"), ps({{"x", 12}}), ""},
      {Id("no-chrome-wanted"), ps({{"x", 13}}), "HAVE CHROME"},
      {Id("partner"), ps(partner), "PN NO SHOW"},
  };

  OfferRuleEngine engine(100, *settings, Platform());
  std::vector<std::string> expected;
  for (const OfferCase& c : cases) {
    if (c.reason.empty()) expected.push_back(c.id);
  }
  EXPECT_EQ(Walk(engine, cases), expected);
  for (const OfferCase& c : cases) {
    const std::vector<std::string> reasons = ReasonsFor(c.id);
    if (c.reason.empty()) {
      EXPECT_TRUE(reasons.empty()) << c.id << ": " << (reasons.empty() ? "" : reasons[0]);
    } else {
      EXPECT_EQ(reasons, std::vector<std::string>{c.reason}) << c.id;
    }
  }
}


// Twenty offers naming 200 vendors that are not installed: the software
// branches are listed once per root and view for the whole walk (HKLM and
// HKCU, in both views under WOW64), and no absent vendor is opened.
TEST_F(OfferRulesWin32, AbsentVendorsCostOneListingPerRootAndView) {
  std::vector<std::string> absent;
  for (int i = 0; i < 200; ++i) absent.push_back(Name(L"Absent") + std::to_string(i));
  std::vector<OfferCase> cases;
  for (int i = 0; i < 20; ++i) {
    cases.push_back({Id("many") + std::to_string(i), {{"v", i}, {"r", Strings(absent)}}, ""});
  }
  CountingRegistry registry(w::RealRegistry());
  OfferRulePlatform platform = Platform();
  OfferRuleEngine engine(100, *settings,
                         OfferRulePlatform{registry, platform.system, platform.files,
                                           platform.machine, platform.clock, platform.codePages});
  EXPECT_EQ(Walk(engine, cases).size(), cases.size());
  const int views = kThirtyTwoBit ? 2 : 1;
  EXPECT_EQ(registry.listings, 2 * views);
  EXPECT_EQ(registry.opens, 2 * views);
  for (const OfferCase& c : cases) EXPECT_TRUE(ReasonsFor(c.id).empty()) << c.id;
}

}  // namespace
