#include "config/identity.h"

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace {

TEST(DownloadCode, TakesSevenCharacterCodeWithDashAfterLastUnderscore) {
  struct Case {
    const wchar_t* path;
    const wchar_t* code;
  } cases[] = {
      {L"C:\\Downloads\\Pellio_ab12-cd.exe", L"ab12-cd"},
      {L"C:\\Down_loads\\Pellio_x_ab12-cd.exe", L"ab12-cd"},  // last "_" counts
      {L"C:\\Downloads\\Pellio_ab12-cd", L"ab12-cd"},          // no dot: keep all
      {L"C:\\Downloads\\Pellio_ab.12-cd.exe", L""},            // cut at the last dot: "ab.12-cd" is 8
      {L"C:\\Downloads\\Pellio_abc12cd.exe", L""},             // 7 characters, no dash
      {L"C:\\Downloads\\Pellio_ab12-cde.exe", L""},            // 8 characters
      {L"C:\\Downloads\\Pellio_ab-cd.exe", L""},               // 5 characters
      {L"C:\\Downloads\\Pellio.exe", L""},                     // no "_"
      {L"C:\\Down_loads\\Pellio.exe", L""},                    // "_" only in a folder
      {L"C:\\Down_l-ad\\Setup.exe", L""},
      {L"C:\\x_a-b\\cde.exe", L""},                             // "a-b\cde" would be 7 with "-"
      {L"C:\\x_a-b/cde.exe", L""},
      {L"Pellio_ab12-cd.exe", L"ab12-cd"},                      // a bare file name
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadCodeFromPath(c.path), c.code) << std::string(c.path, c.path + wcslen(c.path));
  }
}

TEST(DownloadCode, ReadsTheExecutablesOwnPath) {
  FakeSystemInfo system;
  system.executablePath = L"C:\\Users\\u\\Downloads\\Pellio_Zz9-8y7.exe";
  EXPECT_EQ(GetDownloadCode(system), L"Zz9-8y7");
  system.executablePath.clear();  // GetModuleFileNameW failed
  EXPECT_EQ(GetDownloadCode(system), L"");
}

TEST(ProgramVersion, FormatsFileVersionWordsWithoutLeadingZeros) {
  FakeSystemInfo system;
  system.fileVersion = {(10u << 16) | 0u, (65535u << 16) | 7u};
  EXPECT_EQ(GetProgramVersion(system), "10.0.65535.7");
  system.fileVersionOk = false;
  EXPECT_EQ(GetProgramVersion(system), "");
}

TEST(OsVersion, JoinsMajorMinorBuild) {
  FakeSystemInfo system;
  system.osVersion = {6, 1, 7601, 1};
  EXPECT_EQ(GetOsVersion(system), "6.1.7601");
  system.osVersionOk = false;
  EXPECT_EQ(GetOsVersion(system), "");
}

TEST(Wow64, TrueOnlyWhenTheCallSucceedsAndSaysSo) {
  FakeSystemInfo system;
  system.wow64 = true;
  EXPECT_TRUE(IsWow64(system));
  system.wow64 = false;
  EXPECT_FALSE(IsWow64(system));
  system.wow64 = true;
  system.wow64CallOk = false;
  EXPECT_FALSE(IsWow64(system));
}

TEST(EpochMillis, IsTheClockInDecimal) {
  FakeClock clock;
  clock.millis = 1733839200001;
  EXPECT_EQ(GetEpochMillis(clock), "1733839200001");
}

TEST(SessionId, IsLocalTimeAsFourteenDigits) {
  FakeClock clock;
  clock.millis = 1733877045000;  // 2024-12-11 00:30:45 UTC (the fake's local zone)
  EXPECT_EQ(ComputeSessionId(clock), "20241211003045");
  clock.localTimeOk = false;
  EXPECT_EQ(ComputeSessionId(clock), "");
}

const std::string kCryptographyKey = std::to_string(platform::kHkeyLocalMachine) +
                                     "\\SOFTWARE\\Microsoft\\Cryptography";

TEST(MachineGuid, ReadsTheValueFromThe64BitViewAndClosesTheKey) {
  FakeAnsiRegistry registry;
  registry.keys[kCryptographyKey]["MachineGuid"] =
      std::string("8d3f1c2e-aaaa-bbbb-cccc-0123456789ab") + '\0';
  EXPECT_EQ(ReadMachineGuid(registry), "8d3f1c2e-aaaa-bbbb-cccc-0123456789ab");
  EXPECT_EQ(registry.accessAsked.at(0), 0x20119u);
  EXPECT_EQ(registry.openKeys, 0);
}

TEST(MachineGuid, EmptyWhenKeyOrValueIsMissingOrTooLong) {
  FakeAnsiRegistry registry;
  EXPECT_EQ(ReadMachineGuid(registry), "");  // no key

  registry.keys[kCryptographyKey] = {};
  EXPECT_EQ(ReadMachineGuid(registry), "");  // no value
  EXPECT_EQ(registry.openKeys, 0);

  registry.keys[kCryptographyKey]["MachineGuid"] = std::string(300, 'x');
  EXPECT_EQ(ReadMachineGuid(registry), "");  // does not fit 255 bytes
  EXPECT_EQ(registry.openKeys, 0);
}

TEST(MachineGuid, StopsAtFirstZeroAndNeverPastByte254) {
  FakeAnsiRegistry registry;
  registry.keys[kCryptographyKey]["MachineGuid"] = std::string("abc\0def", 7);
  EXPECT_EQ(ReadMachineGuid(registry), "abc");

  registry.keys[kCryptographyKey]["MachineGuid"] = std::string(255, 'g');  // no terminator
  EXPECT_EQ(ReadMachineGuid(registry), std::string(254, 'g'));
}

}  // namespace
