#include "platform/winhttp_session.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/recording_winhttp.h"

namespace {

TEST(OpenWinHttpSessionTest, AutomaticProxyRefusedFallsBackToDefaultProxy) {
  RecordingWinHttp http;
  http.refusedAccessTypes = {platform::kWinHttpAccessTypeAutomaticProxy};
  const wchar_t agent[] = L"Agent/1.0";
  platform::HttpHandle session = platform::OpenWinHttpSession(http, agent, 4);
  ASSERT_NE(session, nullptr);
  ASSERT_EQ(http.opens.size(), 2u);
  EXPECT_EQ(http.opens[0].accessType, 4u);
  EXPECT_EQ(http.opens[1].accessType, 0u);
  EXPECT_FALSE(http.opens[1].agentIsNull);
  EXPECT_TRUE(http.opens[1].proxyNamesNull);
  EXPECT_EQ(http.openHandles, 1);
}

// Only a failed open with the automatic proxy type is repeated, and then
// whatever the error was: the second attempt with the default proxy type is
// the one whose result and last error the caller sees.
TEST(OpenWinHttpSessionTest, OnlyAFailedAutomaticProxyOpenIsRepeatedWithTheDefaultProxy) {
  constexpr std::uint32_t kAuto = platform::kWinHttpAccessTypeAutomaticProxy;
  constexpr std::uint32_t kDefault = platform::kWinHttpAccessTypeDefaultProxy;
  constexpr std::uint32_t kNoProxy = 1;  // WINHTTP_ACCESS_TYPE_NO_PROXY
  struct Case {
    const char* name;
    std::uint32_t accessType;
    std::set<std::uint32_t> refused;
    std::uint32_t lastingFailure;  // every WinHttpOpen fails with it; 0: none
    std::vector<std::uint32_t> attempts;
    bool opened;
    std::uint32_t lastError;
  };
  const Case cases[] = {
      {"automatic accepted", kAuto, {}, 0, {kAuto}, true, 0},
      {"automatic refused", kAuto, {kAuto}, 0, {kAuto, kDefault}, true, 0},
      {"automatic and default refused", kAuto, {kAuto, kDefault}, 0, {kAuto, kDefault}, false,
       platform::kErrorInvalidParameter},
      {"automatic out of memory", kAuto, {}, platform::kErrorNotEnoughMemory, {kAuto, kDefault},
       false, platform::kErrorNotEnoughMemory},
      {"default accepted", kDefault, {}, 0, {kDefault}, true, 0},
      {"default refused", kDefault, {kDefault}, 0, {kDefault}, false,
       platform::kErrorInvalidParameter},
      {"default out of memory", kDefault, {}, platform::kErrorNotEnoughMemory, {kDefault}, false,
       platform::kErrorNotEnoughMemory},
      {"no proxy refused", kNoProxy, {kNoProxy}, 0, {kNoProxy}, false,
       platform::kErrorInvalidParameter},
  };
  for (const Case& c : cases) {
    RecordingWinHttp http;
    http.refusedAccessTypes = c.refused;
    if (c.lastingFailure) http.failures["WinHttpOpen"] = c.lastingFailure;
    const bool opened = platform::OpenWinHttpSession(http, nullptr, c.accessType) != nullptr;
    EXPECT_EQ(opened, c.opened) << c.name;
    std::vector<std::uint32_t> attempts;
    for (const auto& open : http.opens) attempts.push_back(open.accessType);
    EXPECT_EQ(attempts, c.attempts) << c.name;
    EXPECT_EQ(http.openHandles, c.opened ? 1 : 0) << c.name;
    if (!c.opened) {
      EXPECT_EQ(http.LastError(), c.lastError) << c.name;
    }
  }
}

TEST(WindowsVersionRulesTest, AccessTypeProtocolsAndTheWindows7Gate) {
  struct Case {
    platform::OsVersion version;
    bool windows7, withoutSp1;
    std::uint32_t access, protocols;
  };
  const Case cases[] = {
      // TLS 1.0 alone where WinHTTP has nothing newer; TLS 1.1 and 1.2
      // (without 1.0) from 7 SP1 on; SSL 3.0 (0x20) nowhere.
      {{5, 1, 2600, 3}, false, false, 4, 0x80},
      {{6, 0, 6002, 2}, false, false, 4, 0x80},
      {{6, 1, 7600, 0}, true, true, 0, 0x80},
      {{6, 1, 7601, 1}, true, false, 0, 0xA00},
      {{6, 2, 9200, 0}, false, false, 4, 0xA00},
      {{6, 3, 9600, 0}, false, false, 4, 0xA00},
      {{10, 0, 22631, 0}, false, false, 4, 0xA00},
  };
  for (const Case& c : cases) {
    FakeSystemInfo system;
    system.osVersion = c.version;
    const std::string name = std::to_string(c.version.major) + "." +
                             std::to_string(c.version.minor) + " SP" +
                             std::to_string(c.version.servicePackMajor);
    EXPECT_EQ(platform::IsWindows7(system), c.windows7) << name;
    EXPECT_EQ(platform::IsWindows7WithoutSp1(system), c.withoutSp1) << name;
    EXPECT_EQ(platform::ProxyAccessType(system), c.access) << name;
    EXPECT_EQ(platform::SecureProtocolFlags(system), c.protocols) << name;
  }
}

}  // namespace
