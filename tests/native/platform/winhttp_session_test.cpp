#include "platform/winhttp_session.h"

#include <gtest/gtest.h>

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

TEST(OpenWinHttpSessionTest, OtherAccessTypesAndOtherFailuresAreNotRetried) {
  RecordingWinHttp accepted;
  EXPECT_NE(platform::OpenWinHttpSession(accepted, nullptr, 4), nullptr);
  EXPECT_EQ(accepted.opens.size(), 1u);

  RecordingWinHttp refusedDefault;
  refusedDefault.refusedAccessTypes = {0};
  EXPECT_EQ(platform::OpenWinHttpSession(refusedDefault, nullptr, 0), nullptr);
  EXPECT_EQ(refusedDefault.opens.size(), 1u);
  EXPECT_EQ(refusedDefault.LastError(), platform::kErrorInvalidParameter);

  RecordingWinHttp broken;
  broken.failures["WinHttpOpen"] = platform::kErrorNotEnoughMemory;
  EXPECT_EQ(platform::OpenWinHttpSession(broken, nullptr, 4), nullptr);
  EXPECT_EQ(broken.opens.size(), 2u);
  EXPECT_EQ(broken.LastError(), platform::kErrorNotEnoughMemory);
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
