// Registry keys, values and data, running applications, App Paths
// registrations and uninstall times, on the machine users have: a 32-bit
// installer on 64-bit Windows (and 32-bit Windows where it differs).
#include <string>
#include <vector>

#include "rules/rule_engine_fixture.h"

namespace {


class InstalledSoftwareRules : public RuleEngineFixture {
 protected:
  void SetUp() override {
    RuleEngineFixture::SetUp();
    FakeRegistry& reg = *machineRegistry;
    reg.CreateKey(kHklm, L"SOFTWARE\\Vendor64\\App", k64);
    reg.CreateKey(kHklm, L"SOFTWARE\\Vendor32\\App", k32);
    reg.CreateKey(kHkcu, L"Software\\UserVendor\\App");
    reg.SetString(kHklm, L"SOFTWARE\\Vendor32\\App", L"InstallDir", L"C:\\App", k32);
    reg.SetString(kHklm, L"SOFTWARE\\Vendor64\\App", L"Version", L"1.0", k64);
    reg.SetDword(kHklm, L"SOFTWARE\\Vendor64\\App", L"Flag", 1, k64);
    reg.SetQword(kHklm, L"SOFTWARE\\Vendor64\\App", L"Big", 1099511627776ull, k64);
    reg.SetString(kHklm, L"SOFTWARE\\Vendor64\\App", L"Path", L"%SystemRoot%\\x", k64,
                  platform::kRegExpandSz);
  }
};

TEST_F(InstalledSoftwareRules, RegistryKeys) {
  const struct {
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {{{"r", {"Vendor64\\App"}}}, "REGISTRY KEY EXISTS"},
      {{{"r", {"vendor32\\app"}}}, "REGISTRY KEY EXISTS"},  // relative: every root and view
      {{{"r", {"uservendor"}}}, "REGISTRY KEY EXISTS"},
      {{{"r", {"hklm\\software\\vendor64"}}}, "REGISTRY KEY EXISTS"},
      {{{"r", {"hklm\\software\\vendor32"}}}, "accepted"},  // the 64-bit view only
      {{{"r", {"hklm\\software\\wow6432node\\vendor32\\app"}}}, "REGISTRY KEY EXISTS"},
      {{{"r", {"HKCU\\Software\\UserVendor\\App"}}}, "REGISTRY KEY EXISTS"},
      {{{"r", {"absent", "vendor64\\other"}}}, "accepted"},
      {{{"r", {"", "vendor64"}}}, "accepted"},  // an empty entry ends the search: none
      {{{"ir", {"absent", "Vendor32"}}}, "accepted"},
      {{{"ir", {"absent", "vendor64\\other"}}}, "NONE OF THE REGISTRY KEYS EXISTS"},
      {{{"ir", {"", "vendor64"}}}, "NONE OF THE REGISTRY KEYS EXISTS"},
      {{{"ir", {"vendor64", ""}}}, "accepted"},
      {{{"r", {"absent"}}, {"ir", {"absent"}}}, "NONE OF THE REGISTRY KEYS EXISTS"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

TEST_F(InstalledSoftwareRules, On32BitWindowsThe32BitBranchIsAbsent) {
  UseMachine(Machine::kWindows32);
  machineRegistry->CreateKey(kHklm, L"SOFTWARE\\Vendor\\App");
  machineRegistry->CreateKey(kHklm, L"SOFTWARE\\Wow6432Node\\Vendor\\App");
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"r", {"vendor"}}}), "REGISTRY KEY EXISTS");
  EXPECT_EQ(Verdict(*engine, {{"r", {"hklm\\software\\wow6432node\\vendor"}}}), "accepted");
}

TEST_F(InstalledSoftwareRules, AbsentVendorsCostOneListingPerRootAndViewPerWalk) {
  const auto engine = MakeEngine();
  machineRegistry->counts = {};
  const JsonValue ps = {{"r", {"absent1\\product", "absent2", "absent3\\a\\b"}}};
  for (int offer = 0; offer < 5; ++offer) EXPECT_EQ(Verdict(*engine, ps), "accepted");
  // HKLM and HKCU, each in the 64-bit view and the default (32-bit) view.
  EXPECT_EQ(machineRegistry->counts.queryInfoKey, 4);
  EXPECT_EQ(machineRegistry->counts.openKey, 4);
}

TEST_F(InstalledSoftwareRules, RegistryValues) {
  const struct {
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {{{"rvn", {"vendor32\\app\\InstallDir"}}}, "REGISTRY VALUE EXISTS"},
      {{{"rvn", {"hklm\\software\\wow6432node\\vendor32\\app\\installdir"}}},
       "REGISTRY VALUE EXISTS"},
      {{{"rvn", {"hklm\\software\\vendor32\\app\\installdir"}}}, "accepted"},
      {{{"rvn", {"vendor64\\app\\installdir", "vendor64\\app\\path"}}}, "REGISTRY VALUE EXISTS"},
      {{{"rvn", {"vendor64\\app\\missing", "absent\\x"}}}, "accepted"},
      {{{"rvn", {"", "vendor32\\app\\installdir"}}}, "accepted"},  // empty entry ends the rule
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

TEST_F(InstalledSoftwareRules, RegistryData) {
  const struct {
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {{{"rvd", {"vendor64\\app\\version\\1.0"}}}, "REGISTRY VALUE DATA MATCHES"},
      {{{"rvd", {"Vendor64\\App\\VERSION\\1.0"}}}, "REGISTRY VALUE DATA MATCHES"},
      {{{"rvd", {"vendor64\\app\\version\\1.1"}}}, "accepted"},
      {{{"rvd", {"vendor64\\app\\flag\\1"}}}, "REGISTRY VALUE DATA MATCHES"},
      {{{"rvd", {"vendor64\\app\\flag\\2"}}}, "accepted"},
      {{{"rvd", {"vendor64\\app\\flag\\ 1"}}},
       "REGISTRY VALUE DATA MATCHES"},  // stoul skips blanks
      {{{"rvd", {"vendor64\\app\\big\\1099511627776"}}}, "REGISTRY VALUE DATA MATCHES"},
      {{{"rvd", {"vendor64\\app\\path\\c:\\windows\\x"}}}, "accepted"},  // REG_EXPAND_SZ never
      {{{"rvd", {"vendor64\\app\\missing\\1"}}}, "accepted"},
      {{{"rvd", {"", "vendor64\\app\\flag\\1"}}}, "REGISTRY VALUE DATA MATCHES"},  // skipped
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

TEST_F(InstalledSoftwareRules, RunningApplications) {
  machine.processes = {L"System", L"setup.exe", L"my.tool.exe", L"Editor.EXE", L"noext"};
  const struct {
    std::vector<std::string> apps;
    const char* verdict;
  } cases[] = {
      {{"setup"}, "APPLICATION RUNNING"},
      {{"setup.exe"}, "APPLICATION RUNNING"},
      {{"Setup"}, "accepted"},  // case-sensitive
      {{"my.tool"}, "APPLICATION RUNNING"},
      {{"my"}, "accepted"},  // one extension is dropped, only once
      {{"Editor"}, "APPLICATION RUNNING"},
      {{"editor.exe"}, "accepted"},
      {{"noext"}, "APPLICATION RUNNING"},
      {{"absent", "System"}, "APPLICATION RUNNING"},
      {{"absent.exe", ""}, "accepted"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) {
    EXPECT_EQ(Verdict(*engine, {{"a", Strings(c.apps)}}), c.verdict) << Strings(c.apps);
  }
  EXPECT_EQ(machine.snapshotFlags, std::vector<std::uint32_t>{2u}) << "one snapshot per walk";
  EXPECT_EQ(machine.openSnapshots, 0);
  EXPECT_EQ(codePages.toWideCodePages.back(), platform::kCpThreadAcp);
}

TEST_F(InstalledSoftwareRules, AFailedProcessSnapshotIsTakenAgain) {
  machine.snapshotFails = true;
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"a", {"explorer"}}}), "accepted");
  machine.snapshotFails = false;
  EXPECT_EQ(Verdict(*engine, {{"a", {"explorer"}}}), "APPLICATION RUNNING");
  EXPECT_EQ(machine.snapshotFlags.size(), 2u);
}

class RegisteredApplications : public InstalledSoftwareRules {
 protected:
  void Register(platform::RegistryKey root, const std::wstring& name, const std::wstring& path,
                std::uint32_t view) {
    machineRegistry->SetString(root, std::wstring(kAppPathsKey) + name, L"", path, view);
  }
  void SetUp() override {
    InstalledSoftwareRules::SetUp();
    Register(kHklm, L"Tool32.exe", L"C:\\Program Files (x86)\\Tool\\tool32.exe", k32);
    Register(kHklm, L"tool64.exe", L"C:\\Program Files\\Tool\\tool64.exe", k64);
    Register(kHkcu, L"usertool.exe", L"C:\\Users\\u\\AppData\\Local\\usertool.exe", 0);
    Register(kHklm, L"gone.exe", L"C:\\Program Files\\Gone\\gone.exe", k64);
    Register(kHklm, L"empty.exe", L"", k64);
    machineRegistry->CreateKey(kHklm, std::wstring(kAppPathsKey) + L"novalue.exe", k32);
    ruleFiles.files = {L"C:\\Program Files (x86)\\Tool\\tool32.exe",
                       L"C:\\Program Files\\Tool\\tool64.exe",
                       L"C:\\Users\\u\\AppData\\Local\\usertool.exe"};
  }
};

TEST_F(RegisteredApplications, IncludedAndExcluded) {
  const struct {
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {{{"iapp", {"tool32.exe", "TOOL64.EXE", "usertool.exe"}}}, "accepted"},
      {{{"iapp", {"tool32.exe", "absent.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
      {{{"iapp", {"absent.exe", "tool32.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
      {{{"iapp", {"gone.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},  // file no longer there
      {{{"iapp", {"empty.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
      {{{"iapp", {"novalue.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
      {{{"eapp", {"absent.exe", "gone.exe", "empty.exe"}}}, "accepted"},
      {{{"eapp", {"absent.exe", "Tool64.exe"}}}, "REGISTRY EXCLUDE APP FOUND"},
      {{{"eapp", {"usertool.exe", "absent.exe"}}}, "REGISTRY EXCLUDE APP FOUND"},
      {{{"iapp", {"absent.exe"}}, {"eapp", {"tool32.exe"}}}, "REGISTRY INCLUDE APP NOT FOUND"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

TEST_F(RegisteredApplications, TheIndexIsListedOnceAndPathsResolvedOnce) {
  const auto engine = MakeEngine();
  machineRegistry->opens.clear();
  for (int offer = 0; offer < 3; ++offer) {
    EXPECT_EQ(Verdict(*engine, {{"iapp", {"tool32.exe", "tool64.exe"}}}), "accepted");
  }
  const std::vector<std::wstring>& opens = machineRegistry->opens;
  const std::wstring appPaths = L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  // HKLM in both views, then HKCU in both views (HKCU is shared by them).
  EXPECT_EQ(
      std::vector<std::wstring>(opens.begin(), opens.begin() + 4),
      (std::vector<std::wstring>{L"HKLM\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\"
                                 L"CurrentVersion\\App Paths",
                                 L"HKLM" + appPaths, L"HKCU" + appPaths, L"HKCU" + appPaths}));
  // Then one open per application entry, never again.
  EXPECT_EQ(opens.size(), 6u);
}

TEST_F(RegisteredApplications, AViewThatCannotBeListedAddsNothing) {
  const auto engine = MakeEngine();
  // The first listing is HKLM's default (32-bit) view.
  machineRegistry->FailNext(FakeRegistry::Call::kQueryInfoKey, 5);
  EXPECT_EQ(Verdict(*engine, {{"iapp", {"tool64.exe", "usertool.exe"}}}), "accepted");
  EXPECT_EQ(Verdict(*engine, {{"iapp", {"tool32.exe"}}}), "REGISTRY INCLUDE APP NOT FOUND");
  EXPECT_EQ(machineRegistry->OpenHandles(), 0u);
}

TEST_F(RegisteredApplications, SixtyFourBitRegistrationsAreTestedInTheNativeFileView) {
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"iapp", {"tool32.exe", "tool64.exe"}}}), "accepted");
  ASSERT_EQ(ruleFiles.asked.size(), 2u);
  EXPECT_FALSE(ruleFiles.asked[0].native) << "registered by a 32-bit program";
  EXPECT_TRUE(ruleFiles.asked[1].native);
  EXPECT_FALSE(machine.redirectionDisabled);
}

TEST_F(RegisteredApplications, On32BitWindowsOnlyTheDefaultView) {
  UseMachine(Machine::kWindows32);
  Register(kHklm, L"tool.exe", L"C:\\Program Files (x86)\\Tool\\tool32.exe", 0);
  const auto engine = MakeEngine();
  machineRegistry->opens.clear();
  EXPECT_EQ(Verdict(*engine, {{"eapp", {"tool.exe"}}}), "REGISTRY EXCLUDE APP FOUND");
  EXPECT_EQ(machineRegistry->opens.size(), 3u);  // HKLM, HKCU, then the entry
}

class UninstallTimes : public InstalledSoftwareRules {
 protected:
  static constexpr std::int64_t kDay = 86400;

  JsonValue Check(const char* root, int minDays, bool millis = false) {
    JsonValue check = {{"utr", root},
                  {"utk", "Software\\Vendor\\Uninstall"},
                  {"utvn", "When"},
                  {"utvt", "REG_SZ"},
                  {"umd", minDays}};
    if (millis) check["utms"] = true;
    return {{"cmdu", {check}}};
  }
  void StoreSeconds(std::int64_t seconds) {
    machineRegistry->SetString(kHklm, L"SOFTWARE\\Vendor\\Uninstall", L"When",
                               std::to_wstring(seconds), k64);
  }
};

TEST_F(UninstallTimes, DaysSinceTheStoredTime) {
  const std::int64_t now = clock.UnixSeconds();
  const struct {
    std::int64_t stored;
    int minDays;
    bool millis;
    const char* verdict;
  } cases[] = {
      {now - 2 * kDay, 3, false, "MIN DAYS UNINSTALL CHECKER"},
      {now - 2 * kDay, 2, false, "accepted"},  // two full days have passed
      {now - 2 * kDay + 1, 2, false, "MIN DAYS UNINSTALL CHECKER"},
      {(now - 2 * kDay) * 1000 + 999, 2, true, "accepted"},
      {(now - 2 * kDay + 1) * 1000, 2, true, "MIN DAYS UNINSTALL CHECKER"},
      {now + kDay, 0, false, "MIN DAYS UNINSTALL CHECKER"},  // stored in the future
      {now + kDay, -1, false, "accepted"},
      {now - 10 * kDay, 30000, false, "MIN DAYS UNINSTALL CHECKER"},  // past the 32-bit product
  };
  for (const auto& c : cases) {
    StoreSeconds(c.stored);
    const auto engine = MakeEngine();
    EXPECT_EQ(Verdict(*engine, Check("HKEY_LOCAL_MACHINE", c.minDays, c.millis)), c.verdict)
        << c.stored << " umd " << c.minDays;
  }
}

TEST_F(UninstallTimes, AMissingValueIsNoObstacle) {
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, Check("hkey_local_machine", 5)), "accepted");
  machineRegistry->SetDword(kHklm, L"SOFTWARE\\Vendor\\Uninstall", L"When",
                            static_cast<std::uint32_t>(clock.UnixSeconds()), k64);
  EXPECT_EQ(Verdict(*engine, Check("hkey_local_machine", 5)), "accepted")
      << "a vendor key written during the walk is not in its cached listing";
  EXPECT_EQ(Verdict(*MakeEngine(), Check("hkey_local_machine", 5)), "MIN DAYS UNINSTALL CHECKER")
      << "a REG_DWORD is read as its decimal text";
}

}  // namespace
