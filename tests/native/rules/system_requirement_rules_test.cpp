// Disk, memory, processor, Windows version, own version, 64-bit Windows and
// the file lists: each passes and rejects with its exact reason, measures
// once per walk, and measures again after a failure.
#include <string>
#include <vector>

#include "rules/rule_engine_fixture.h"

namespace {


class SystemRequirementRules : public RuleEngineFixture {};

constexpr const wchar_t* kCpuPath = L"HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

TEST_F(SystemRequirementRules, DiskSpaceOfTheDefaultProfilesDrive) {
  machine.freeBytes = (1000ull << 20) + 12345;  // 1000 MiB and a bit
  const auto engine = MakeEngine();
  const struct {
    JsonValue disk;
    const char* verdict;
  } cases[] = {
      {1000, "accepted"}, {1001, "NOT ENOUGH DISK SPACE"},
      {1, "accepted"},    {-1, "NOT ENOUGH DISK SPACE"},  // compared unsigned: never met
      {0, "accepted"},
  };
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, {{"disk", c.disk}}), c.verdict) << c.disk;
  // Measured once, on the root of the drive holding the default profile.
  EXPECT_EQ(machine.diskRoots, std::vector<std::wstring>{L"D:\\"});
}

TEST_F(SystemRequirementRules, AFailedDiskMeasurementIsReportedAndTriedAgain) {
  machine.diskError = 21;
  machine.defaultUserFolders.clear();  // no Desktop: the query gets an empty root
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"disk", 10}}), "DISK SPACE CHECK FAILED 21");
  machine.diskError = 0;
  EXPECT_EQ(Verdict(*engine, {{"disk", 10}}), "accepted");
  EXPECT_EQ(Verdict(*engine, {{"disk", 10}}), "accepted");
  EXPECT_EQ(machine.diskRoots, (std::vector<std::wstring>{L"", L""}));
}

TEST_F(SystemRequirementRules, RamIsTheInstalledMemory) {
  machine.totalPhysical = 4ull << 30;
  machine.memoryError = 8;
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"ram", 2048}}), "RAM CHECK FAILED 8");
  machine.memoryError = 0;
  const struct {
    JsonValue ram;
    const char* verdict;
  } cases[] = {
      {4096, "accepted"}, {4097, "NOT ENOUGH RAM"}, {-5, "NOT ENOUGH RAM"}, {0, "accepted"}};
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, {{"ram", c.ram}}), c.verdict) << c.ram;
  EXPECT_EQ(machine.memoryCalls, 2) << "one failure, then one measurement for the walk";
  // Preset 3 asks 1536 MiB of RAM, 512 MiB of disk and 1500 MHz.
  EXPECT_EQ(Verdict(*engine, {{"x", 3}}), "accepted");
  machine.totalPhysical = 1535ull << 20;
  EXPECT_EQ(Verdict(*MakeEngine(), {{"x", 3}}), "NOT ENOUGH RAM");
}

TEST_F(SystemRequirementRules, CpuSpeedFromTheProcessorKeyIn64BitView) {
  using Call = FakeRegistry::Call;
  FakeRegistry& reg = *machineRegistry;
  const auto engine = MakeEngine();
  reg.FailNext(Call::kOpenKey, 5);
  EXPECT_EQ(Verdict(*engine, {{"cpu", 1000}}), "CPU CHECK FAILED: Couldn't open registry");
  reg.FailNext(Call::kQueryValue, 2);
  EXPECT_EQ(Verdict(*engine, {{"cpu", 1000}}), "CPU CHECK FAILED: Couldn't read value");
  reg.accessAsked.clear();
  reg.opens.clear();
  const struct {
    JsonValue cpu;
    const char* verdict;
  } cases[] = {{2400, "accepted"}, {2401, "NOT ENOUGH CPU"}, {-1, "NOT ENOUGH CPU"}};
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, {{"cpu", c.cpu}}), c.verdict) << c.cpu;
  EXPECT_EQ(reg.opens, std::vector<std::wstring>{kCpuPath}) << "measured once after the failures";
  EXPECT_EQ(reg.accessAsked, std::vector<std::uint32_t>{0x20119u});
  EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST_F(SystemRequirementRules, WindowsVersionCodes) {
  const struct {
    platform::OsVersion os;
    int code;
    const char* verdict;
  } cases[] = {
      {{10, 0, 19045, 0}, 61, "accepted"},
      {{10, 0, 19045, 0}, 100, "accepted"},
      {{10, 0, 19045, 0}, 64, "UNSUPPORTED OS VERSION"},
      {{10, 0, 19045, 0}, 99, "UNSUPPORTED OS VERSION"},
      {{10, 0, 19045, 0}, -3, "accepted"},
      {{6, 1, 7601, 1}, 61, "accepted"},
      {{6, 1, 7601, 1}, 62, "UNSUPPORTED OS VERSION"},
      {{6, 3, 9600, 0}, 63, "accepted"},
      {{6, 3, 9600, 0}, 100, "UNSUPPORTED OS VERSION"},
      {{6, 2, 9200, 0}, 62, "accepted"},
      {{6, 0, 6002, 2}, 61, "UNSUPPORTED OS VERSION"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) {
    system.osVersion = c.os;
    EXPECT_EQ(Verdict(*engine, {{"ov", c.code}}), c.verdict)
        << c.os.major << "." << c.os.minor << " ov " << c.code;
  }
}

TEST_F(SystemRequirementRules, OwnVersionAgainstPv) {
  const struct {
    const wchar_t* own;
    const char* pv;
    const char* verdict;
  } cases[] = {
      {L"1.2.3.4", "1.2", "accepted"},
      {L"1.2.3.4", "1.2.3.4", "accepted"},
      {L"1.2.3.4", "1.3", "UNSUPPORTED PLATFORM VERSION"},
      {L"1.2.3.4", "1.2.3.5", "UNSUPPORTED PLATFORM VERSION"},
      {L"1.2.3.0", "1.2.3", "accepted"},
      {L"1.2", "1.2.0.1", "UNSUPPORTED PLATFORM VERSION"},
      {L"1.10", "1.9.9", "accepted"},    // numbers, not text
      {L"1..2", "1.2", "accepted"},      // empty pieces are skipped
      {L"2.0", " +2.x.-1", "accepted"},  // blanks, signs, digits up to the first other character
      {L"", "0.0", "accepted"},
      {L"", "0.1", "UNSUPPORTED PLATFORM VERSION"},
      {L"1.2.3.4", "abc", "accepted"},                 // a piece without digits is 0
      {L"1.99999999999", "1.2147483647", "accepted"},  // saturates as a 32-bit long does
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) {
    settings->programVersion = c.own;
    EXPECT_EQ(Verdict(*engine, {{"pv", c.pv}}), c.verdict) << c.pv;
  }
}

TEST_F(SystemRequirementRules, SixtyFourBitWindows) {
  const struct {
    bool callOk;
    bool wow64;
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {true, true, {{"win64", true}}, "accepted"},
      {true, false, {{"win64", true}}, "64 BIT OS REQUIRED"},
      {false, true, {{"win64", true}}, "64 BIT OS REQUIRED"},
      {true, false, {{"x", 10}}, "64 BIT OS REQUIRED"},
      {true, false, {{"win64", false}}, "accepted"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) {
    system.wow64CallOk = c.callOk;
    system.wow64 = c.wow64;
    EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
  }
}

TEST_F(SystemRequirementRules, FileLists) {
  ruleFiles.files = {L"C:\\Program Files\\Vendor\\app.exe", L"C:\\Users\\u\\AppData\\Local\\x.dat"};
  ruleFiles.directories = {L"C:\\ProgramData\\Vendor"};
  const struct {
    JsonValue ps;
    const char* verdict;
  } cases[] = {
      {{{"fe", {"{commonpf}\\Vendor\\app.exe"}}}, "FILE EXISTS"},
      {{{"fe", {"{commonpf32}\\Vendor\\app.exe"}}}, "accepted"},
      {{{"fe", {"C:\\nothing", "{programdata}\\Vendor"}}}, "FILE EXISTS"},  // a folder
      {{{"fe", {"{COMMONPF}\\Vendor\\app.exe"}}}, "accepted"},  // no macro: no such file
      {{{"fe", JsonValue::MakeArray()}}, "accepted"},
      {{{"ife", {"C:\\nothing", "{localappdata}\\x.dat"}}}, "accepted"},
      {{{"ife", {"{unknown}\\x.dat", "{Localappdata}\\x.dat"}}}, "NONE OF THE FILES EXISTS"},
      {{{"ife", JsonValue::MakeArray()}}, "accepted"},
      {{{"ife", {"{localappdata}\\x.dat"}}, {"fe", {"{localappdata}\\x.dat"}}}, "FILE EXISTS"},
  };
  const auto engine = MakeEngine();
  for (const auto& c : cases) EXPECT_EQ(Verdict(*engine, c.ps), c.verdict) << CompactJson(c.ps);
}

TEST_F(SystemRequirementRules, FilesAreTestedWithoutSystem32RedirectionUnderWow64) {
  const JsonValue ps = {{"fe", {"C:\\Windows\\System32\\drivers\\vendor.sys"}},
                   {"ife", {"C:\\Windows\\System32\\vendor.dll"}}};
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, ps), "NONE OF THE FILES EXISTS");
  ASSERT_EQ(ruleFiles.asked.size(), 2u);
  for (const auto& asked : ruleFiles.asked) EXPECT_TRUE(asked.native);
  EXPECT_FALSE(machine.redirectionDisabled) << "switched back on afterwards";
  EXPECT_EQ(machine.redirectionDisables, 2);

  // When the switch is refused the test still runs, redirected.
  machine.redirectionCallFails = true;
  ruleFiles.asked.clear();
  EXPECT_EQ(Verdict(*engine, ps), "NONE OF THE FILES EXISTS");
  ASSERT_EQ(ruleFiles.asked.size(), 2u);
  EXPECT_FALSE(ruleFiles.asked[0].native);
}

TEST_F(SystemRequirementRules, NoRedirectionSwitchOn32BitWindows) {
  UseMachine(Machine::kWindows32);
  const auto engine = MakeEngine();
  EXPECT_EQ(Verdict(*engine, {{"ife", {"C:\\Windows\\System32\\vendor.dll"}}}),
            "NONE OF THE FILES EXISTS");
  EXPECT_EQ(machine.redirectionDisables, 0);
}

}  // namespace
