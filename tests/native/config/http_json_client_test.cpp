#include "config/http_json_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/vellam_exception.h"
#include "fakes/fake_platform.h"
#include "fakes/recording_winhttp.h"

namespace {

using Calls = std::vector<std::string>;

class HttpJsonClientTest : public ::testing::Test {
 protected:
  RecordingWinHttp http;
  FakeSystemInfo system;  // Windows 10 unless a test says otherwise
  std::string diagnostics;  // the lines received, each with a line break
  HttpJsonClient::DiagnosticSink sink = [this](const std::string& line) {
    diagnostics += line + "\n";
  };
  HttpJsonClient client{http, system, sink};
  std::string response;
  std::uint32_t status = 0;

  bool Send(const std::wstring& url, const std::string& body, const HeaderList& headers = {}) {
    return client.SendJson(url, body, headers, response, status);
  }
};

TEST_F(HttpJsonClientTest, PostsTheBodyWithCallerHeadersThenTheTwoFixedOnes) {
  http.statusCode = 201;
  http.chunks = {{"{\"ok\":"}, {"true}"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{\"a\":\"b\"}",
                   {{L"Authorization", L"Signature=00ff"}, {L"X-Extra", L"1"}}));

  EXPECT_EQ(http.calls, (Calls{"WinHttpCrackUrl", "WinHttpOpen", "WinHttpSetOption",
                               "WinHttpConnect", "WinHttpOpenRequest",
                               "WinHttpAddRequestHeaders", "WinHttpAddRequestHeaders",
                               "WinHttpAddRequestHeaders", "WinHttpAddRequestHeaders",
                               "WinHttpSendRequest", "WinHttpReceiveResponse",
                               "WinHttpQueryHeaders", "WinHttpQueryDataAvailable",
                               "WinHttpReadData", "WinHttpQueryDataAvailable", "WinHttpReadData",
                               "WinHttpQueryDataAvailable"}));
  ASSERT_EQ(http.opens.size(), 1u);
  EXPECT_TRUE(http.opens[0].agentIsNull);
  EXPECT_TRUE(http.opens[0].proxyNamesNull);
  EXPECT_EQ(http.opens[0].flags, 0u);
  EXPECT_EQ(http.connectedHost, L"cdn.test");
  EXPECT_EQ(http.connectedPort, 443);
  EXPECT_EQ(http.verb, L"POST");
  EXPECT_EQ(http.object, L"/o");
  EXPECT_TRUE(http.defaultVersionReferrerAccept);
  EXPECT_EQ(http.requestFlags, 0x800000u);
  EXPECT_EQ(http.headerLines,
            (std::vector<std::wstring>{L"Authorization: Signature=00ff", L"X-Extra: 1",
                                       L"Expect: 100-continue",
                                       L"Content-Type: application/json"}));
  EXPECT_EQ(http.headerModifiers, std::vector<std::uint32_t>(4, 0x20000000u));
  EXPECT_TRUE(http.sendHadNoHeaders);
  EXPECT_EQ(http.sentBody, "{\"a\":\"b\"}");
  EXPECT_EQ(http.optionalLength, 9u);
  EXPECT_EQ(http.totalLength, 9u);
  EXPECT_EQ(http.sendContext, 0u);
  EXPECT_EQ(http.queriedInfoLevel, 0x20000013u);
  EXPECT_EQ(status, 201u);
  EXPECT_EQ(response, "{\"ok\":true}");
  EXPECT_EQ(http.closed, (Calls{"request", "connection", "session"}));
  EXPECT_EQ(http.openHandles, 0);
  EXPECT_EQ(diagnostics, "");
}

TEST_F(HttpJsonClientTest, OnlyHostAndPathOfTheUrlCount) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"https://cdn.test/o?x=1&y=2", L"/o"},
      {L"https://cdn.test/o#part", L"/o"},
      {L"http://cdn.test/zbd", L"/zbd"},
      {L"https://cdn.test:8443/a/b?q", L"/a/b"},
      {L"http://cdn.test:8080/o", L"/o"},
  };
  for (const auto& [url, path] : cases) {
    RecordingWinHttp fresh;
    HttpJsonClient freshClient(fresh, system, sink);
    ASSERT_TRUE(freshClient.SendJson(url, "{}", {}, response, status));
    EXPECT_EQ(fresh.connectedHost, L"cdn.test");
    EXPECT_EQ(fresh.object, path);
    EXPECT_EQ(fresh.connectedPort, 443) << "always TLS on 443";
    EXPECT_EQ(fresh.requestFlags, 0x800000u);
  }
}

struct VersionCase {
  const char* name;
  platform::OsVersion version;
  bool refused;  // no request at all
  std::uint32_t accessType;
  std::uint32_t protocols;
};

TEST_F(HttpJsonClientTest, WindowsVersionDecidesGateAccessTypeAndProtocols) {
  const VersionCase cases[] = {
      {"Vista SP2", {6, 0, 6002, 2}, false, 4, 0x80},
      {"7", {6, 1, 7600, 0}, true, 0, 0},
      {"7 SP1", {6, 1, 7601, 1}, false, 0, 0xA00},
      {"8", {6, 2, 9200, 0}, false, 4, 0xA00},
      {"8.1", {6, 3, 9600, 0}, false, 4, 0xA00},
      {"10", {10, 0, 19045, 0}, false, 4, 0xA00},
  };
  for (const VersionCase& c : cases) {
    RecordingWinHttp fresh;
    FakeSystemInfo windows;
    windows.osVersion = c.version;
    HttpJsonClient freshClient(fresh, windows, sink);
    if (c.refused) {
      EXPECT_THROW(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, response, status),
                   VellamException)
          << c.name;
      EXPECT_TRUE(fresh.calls.empty()) << c.name << ": nothing may be sent";
      continue;
    }
    ASSERT_TRUE(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, response, status)) << c.name;
    ASSERT_EQ(fresh.opens.size(), 1u) << c.name;
    EXPECT_EQ(fresh.opens[0].accessType, c.accessType) << c.name;
    ASSERT_EQ(fresh.options.size(), 1u) << c.name;
    EXPECT_EQ(fresh.options[0].first, 84u) << c.name;
    EXPECT_EQ(fresh.options[0].second, c.protocols) << c.name;
  }
}

TEST_F(HttpJsonClientTest, WinHttpWithoutAutomaticProxyFallsBackToTheDefaultProxy) {
  // Vista and Windows 8.0 refuse access type 4 with ERROR_INVALID_PARAMETER.
  for (const platform::OsVersion version :
       {platform::OsVersion{6, 0, 6002, 2}, platform::OsVersion{6, 2, 9200, 0}}) {
    RecordingWinHttp fresh;
    fresh.refusedAccessTypes = {4};
    fresh.chunks = {{"{}"}};
    FakeSystemInfo windows;
    windows.osVersion = version;
    HttpJsonClient freshClient(fresh, windows, sink);
    ASSERT_TRUE(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, response, status));
    ASSERT_EQ(fresh.opens.size(), 2u);
    EXPECT_EQ(fresh.opens[0].accessType, 4u);
    EXPECT_EQ(fresh.opens[1].accessType, 0u);
    EXPECT_EQ(fresh.openHandles, 0);
  }
}

struct FailureCase {
  const char* call;
  Calls closed;  // handles closed afterwards, in order
  bool sent;
};

TEST_F(HttpJsonClientTest, EveryFailureBeforeAResponseThrowsAndClosesWhatWasOpened) {
  const FailureCase cases[] = {
      {"WinHttpCrackUrl", {}, false},
      {"WinHttpOpen", {}, false},
      {"WinHttpSetOption", {"session"}, false},
      {"WinHttpConnect", {"session"}, false},
      {"WinHttpOpenRequest", {"connection", "session"}, false},
      {"WinHttpSendRequest", {"request", "connection", "session"}, true},
      {"WinHttpReceiveResponse", {"request", "connection", "session"}, true},
  };
  for (const FailureCase& c : cases) {
    RecordingWinHttp fresh;
    fresh.failures[c.call] = 12029;
    fresh.chunks = {{"never read"}};
    HttpJsonClient freshClient(fresh, system, sink);
    std::string body;
    std::uint32_t code = 0;
    EXPECT_THROW(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, body, code),
                 VellamException)
        << c.call;
    EXPECT_EQ(fresh.closed, c.closed) << c.call;
    EXPECT_EQ(fresh.openHandles, 0) << c.call;
    EXPECT_EQ(!fresh.sentBody.empty(), c.sent) << c.call;
    EXPECT_EQ(body, "") << c.call;
    EXPECT_EQ(code, 0u) << c.call;
    EXPECT_EQ(std::count(fresh.calls.begin(), fresh.calls.end(), "WinHttpQueryDataAvailable"), 0)
        << c.call;
  }
}

TEST_F(HttpJsonClientTest, PostJsonReportsFailureInsteadOfThrowing) {
  http.failures["WinHttpConnect"] = 12029;
  EXPECT_FALSE(client.PostJson(L"cdn.test", L"/o", "{}", {}, response, status));
  http.failures.clear();
  http.chunks = {{"{}"}};
  EXPECT_TRUE(client.PostJson(L"cdn.test", L"/o", "{}", {}, response, status));
  EXPECT_EQ(response, "{}");
}

TEST_F(HttpJsonClientTest, ErrorStatusesAreAnswersNotFailures) {
  http.statusCode = 500;
  http.chunks = {{"{\"error\":1}"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(status, 500u);
  EXPECT_EQ(response, "{\"error\":1}");
}

TEST_F(HttpJsonClientTest, UnreadableStatusLeavesTheCallersValue) {
  http.statusReadable = false;
  http.chunks = {{"body"}};
  status = 7;
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(status, 7u);
  EXPECT_EQ(response, "body");
}

TEST_F(HttpJsonClientTest, ZeroByteEndsEachChunksContribution) {
  http.chunks = {{std::string("ab\0cd", 5)}, {"ef"}, {std::string("\0gh", 3)}, {"ij"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(response, "abefij");
}

TEST_F(HttpJsonClientTest, FailedReadIsLoggedAndEndsReading) {
  http.chunks = {{"first"}, {"lost", true}, {"never"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(response, "first");
  EXPECT_EQ(diagnostics, "Error 12002 in WinHttpReadData.\n");
  EXPECT_EQ(http.openHandles, 0);
}

TEST_F(HttpJsonClientTest, LastingReadFailureDoesNotSpin) {
  // Data stays announced but every read fails: one try, then the loop ends.
  http.chunks = {{"stuck"}};
  http.failures["WinHttpReadData"] = 12030;
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(response, "");
  EXPECT_EQ(http.readSizes.size(), 1u);
  EXPECT_EQ(diagnostics, "Error 12030 in WinHttpReadData.\n");
}

TEST_F(HttpJsonClientTest, ReadsAtMostOneBlockIntoOneBuffer) {
  // A chunk bigger than a block arrives in several reads, none above the
  // block, all into the same buffer; an absurd available count changes
  // nothing (no allocation follows it, so count + 1 cannot wrap either).
  const std::string big(3 * kJsonReadBlock + 5, 'x');
  for (const bool absurdCount : {false, true}) {
    SCOPED_TRACE(absurdCount ? "available 0xFFFFFFFF" : "honest count");
    RecordingWinHttp fresh;
    fresh.chunks = {{big}, {"!"}};
    if (absurdCount) fresh.claimedAvailable = 0xFFFFFFFFu;
    HttpJsonClient freshClient(fresh, system, sink);
    std::string body;
    ASSERT_TRUE(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, body, status));
    EXPECT_EQ(body, big + "!");
    ASSERT_GE(fresh.readSizes.size(), 5u);
    for (const std::uint32_t size : fresh.readSizes) EXPECT_LE(size, kJsonReadBlock);
    EXPECT_EQ(fresh.readBuffers.size(), 1u);
  }
}

TEST_F(HttpJsonClientTest, AnswerAboveFourMebibytesIsRefused) {
  struct Case {
    const char* name;
    std::size_t size;
    bool accepted;
  };
  const Case cases[] = {
      {"exactly 4 MiB", kMaxJsonResponseBytes, true},
      {"4 MiB + 1", kMaxJsonResponseBytes + 1, false},
      {"much more", 3 * kMaxJsonResponseBytes, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWinHttp fresh;
    fresh.chunks = {{std::string(c.size, 'a')}};
    HttpJsonClient freshClient(fresh, system, sink);
    std::string body = "kept:";
    if (c.accepted) {
      ASSERT_TRUE(freshClient.SendJson(L"https://cdn.test/o", "{}", {}, body, status));
      EXPECT_EQ(body.size(), 5 + c.size);
    } else {
      try {
        freshClient.SendJson(L"https://cdn.test/o", "{}", {}, body, status);
        ADD_FAILURE() << "no exception";
      } catch (const VellamException& e) {
        EXPECT_STREQ(e.what(), "Server answer larger than 4194304 bytes");
      }
      EXPECT_EQ(body, "kept:") << "nothing of the answer is handed out";
      std::uint64_t read = 0;
      for (const std::uint32_t size : fresh.readSizes) read += size;
      EXPECT_EQ(read, kMaxJsonResponseBytes + 1) << "reading stops one byte past the limit";

      RecordingWinHttp again;
      again.chunks = {{std::string(c.size, 'a')}};
      HttpJsonClient againClient(again, system, sink);
      EXPECT_FALSE(againClient.PostJson(L"cdn.test", L"/o", "{}", {}, body, status))
          << "no usable answer";
    }
    EXPECT_EQ(fresh.openHandles, 0);
  }
}

TEST_F(HttpJsonClientTest, FailedAvailabilityQueryIsLoggedAndEndsReading) {
  http.chunks = {{"first"}, {"", false, true}, {"never"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(response, "first");
  EXPECT_EQ(diagnostics, "Error 12030 in WinHttpQueryDataAvailable.\n");
  EXPECT_EQ(http.openHandles, 0);
}

TEST_F(HttpJsonClientTest, RefusedHeaderIsLoggedAndSkipped) {
  http.refusedHeaderNames = {L"X-Bad"};
  http.chunks = {{"{}"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}", {{L"X-Bad", L"\r\nInjected: 1"}, {L"X-Good", L"2"}}));
  EXPECT_EQ(diagnostics, "WinHttpAddRequestHeaders error: 12153\n");
  EXPECT_EQ(http.headerLines.size(), 4u);
  EXPECT_EQ(http.headerLines.back(), L"Content-Type: application/json");
  EXPECT_EQ(http.sentBody, "{}");
}

TEST_F(HttpJsonClientTest, BodyIsSentUpToItsFirstZeroByte) {
  ASSERT_TRUE(Send(L"https://cdn.test/o", std::string("{}\0tail", 7)));
  EXPECT_EQ(http.sentBody, "{}");
  EXPECT_EQ(http.optionalLength, 2u);
  EXPECT_EQ(http.totalLength, 2u);
}

TEST_F(HttpJsonClientTest, ResponseIsAppendedToWhatTheCallerHeld) {
  // The caller clears it; the client only appends.
  response = "old:";
  http.chunks = {{"new"}};
  ASSERT_TRUE(Send(L"https://cdn.test/o", "{}"));
  EXPECT_EQ(response, "old:new");
}

}  // namespace
