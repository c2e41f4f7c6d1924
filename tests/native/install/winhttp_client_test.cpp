// The WinHTTP file client against the scripted web: the request it makes,
// redirects, status and length handling, progress, and every failure text.
#include <gtest/gtest.h>

#include "download_fixture.h"
#include "install/download_target.h"
#include "install/winhttp_exchange.h"

namespace {

const std::wstring kUrl = L"https://files.test/f/dir/setup.exe?x=1";

class WinHttpClientTest : public DownloadFixture {
 protected:
  DownloadResult Fetch(const std::wstring& url = kUrl) {
    return manager->DownloadWithWinHttp(url, &progress, InWork(L"setup.exe"));
  }
  void Serve(const std::wstring& url, ScriptedAnswer answer) { web.answers[url] = {answer}; }
};

TEST_F(WinHttpClientTest, DownloadsTheBodyWithProgressAndRecordsTheFile) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(2048));
  answer.pieceSize = 512;
  Serve(kUrl, answer);

  const DownloadResult result = Fetch();

  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.errorText, L"");
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(2048));
  EXPECT_EQ(manager->lastDownloadedFile, InWork(L"setup.exe"));
  EXPECT_EQ(progress.Percents(), (std::vector<std::uintptr_t>{25, 50, 75, 100, 100}));
  EXPECT_EQ(progress.Count(kWmLengthMissing), 0);
  // Exactly what WinHTTP said was available, every time.
  EXPECT_EQ(http.readSizes, (std::vector<std::uint32_t>{512, 512, 512, 512}));
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].host, L"files.test");
  EXPECT_EQ(http.requests[0].port, 443);
  EXPECT_EQ(http.requests[0].verb, L"GET");
  EXPECT_EQ(http.requests[0].object, L"/f/dir/setup.exe?x=1");
  EXPECT_EQ(http.requests[0].flags, platform::kWinHttpFlagSecure);
  EXPECT_EQ(http.openHandles, 0);
  EXPECT_EQ(streams.openFiles, 0);
}

TEST_F(WinHttpClientTest, PlainHttpWithPortAndTheSessionSettingsPerWindowsVersion) {
  const std::wstring url = L"http://files.test:8080/f/a.exe";
  Serve(url, ScriptedAnswer::Ok("abc"));
  struct Version {
    std::uint32_t major, minor;
    std::uint16_t servicePack;
    bool refusesAutomaticProxy;
    std::vector<std::uint32_t> accessTypes;
    std::uint32_t protocols;
  };
  const Version versions[] = {
      {10, 0, 0, false, {4}, 0xA00},
      {6, 3, 0, false, {4}, 0xA00},
      {6, 2, 0, true, {4, 0}, 0xA00},  // Windows 8.0: no automatic proxy yet
      {6, 1, 1, false, {0}, 0xA00},    // Windows 7 SP1
      {6, 1, 0, false, {0}, 0x80},     // Windows 7 without SP1
      {6, 0, 2, true, {4, 0}, 0x80},   // Vista
  };
  for (const Version& v : versions) {
    SCOPED_TRACE(std::to_string(v.major) + "." + std::to_string(v.minor) + " SP" +
                 std::to_string(v.servicePack));
    RunOn(v.major, v.minor, v.servicePack);
    http.refuseAutomaticProxy = v.refusesAutomaticProxy;
    http.opens.clear();
    http.options.clear();
    http.requests.clear();

    EXPECT_TRUE(Fetch(url).ok);

    std::vector<std::uint32_t> accessTypes;
    for (const auto& open : http.opens) {
      accessTypes.push_back(open.accessType);
      EXPECT_EQ(open.userAgent, L"(none)");
    }
    EXPECT_EQ(accessTypes, v.accessTypes);
    ASSERT_EQ(http.options.size(), 2u);
    EXPECT_EQ(http.options[0].target, "session");
    EXPECT_EQ(http.options[0].option, platform::kWinHttpOptionSecureProtocols);
    EXPECT_EQ(http.options[0].value, v.protocols);
    // WinHTTP must not follow redirects itself, or the limit could not hold.
    EXPECT_EQ(http.options[1].target, "request");
    EXPECT_EQ(http.options[1].option, platform::kWinHttpOptionDisableFeature);
    EXPECT_EQ(http.options[1].value, platform::kWinHttpDisableRedirects);
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0].port, 8080);
    EXPECT_EQ(http.requests[0].flags, 0u);
  }
}

TEST_F(WinHttpClientTest, FollowsFiveRedirectsWithAFreshSessionEachAndFailsOnTheSixth) {
  // hop0 -> hop1 -> ... -> hopN, hopN answers 200.
  auto chain = [&](int hops, std::uint32_t status) {
    web.answers.clear();
    for (int i = 0; i < hops; ++i) {
      web.answers[L"https://files.test/hop" + std::to_wstring(i)] = {ScriptedAnswer::Redirect(
          (i % 2 ? L"https://files.test/hop" : L"HTTPS://files.test/hop") + std::to_wstring(i + 1),
          status)};
    }
    web.answers[L"https://files.test/hop" + std::to_wstring(hops)] = {ScriptedAnswer::Ok("end")};
  };
  for (std::uint32_t status : {301u, 302u, 303u, 307u, 308u}) {
    SCOPED_TRACE(status);
    chain(5, status);
    http.opens.clear();
    const DownloadResult five = Fetch(L"https://files.test/hop0");
    EXPECT_TRUE(five.ok) << five.errorText;
    EXPECT_EQ(Content(InWork(L"setup.exe")), "end");
    EXPECT_EQ(http.opens.size(), 6u);

    chain(6, status);
    const DownloadResult six = Fetch(L"https://files.test/hop0");
    EXPECT_FALSE(six.ok);
    EXPECT_EQ(six.errorText, L"[WINHTTP] Too many redirects.");
    EXPECT_EQ(web.requested.back(), L"https://files.test/hop5");
    EXPECT_EQ(http.openHandles, 0);
  }
}

TEST_F(WinHttpClientTest, RedirectsAcrossHostsButNeverFromHttpsToPlainHttp) {
  struct Case {
    const char* name;
    std::wstring start;
    std::vector<std::wstring> hops;  // each redirects to the next; the last answers
    std::wstring failure;            // empty: the download succeeds
  };
  const Case cases[] = {
      {"https to another host", kUrl, {L"https://mirror.test:8443/m/setup.exe"}, L""},
      {"http up to https", L"http://files.test:8080/a.exe", {L"https://mirror.test/a.exe"}, L""},
      {"http to http", L"http://files.test:8080/a.exe", {L"http://mirror.test/a.exe"}, L""},
      {"https down to http", kUrl, {L"http://mirror.test:8080/m/setup.exe"},
       L"[WINHTTP] Redirect from HTTPS to plain HTTP refused: http://mirror.test:8080/m/setup.exe"},
      {"down to http later in the chain", kUrl,
       {L"https://mirror.test/1", L"https://mirror.test/2", L"http://mirror.test/3"},
       L"[WINHTTP] Redirect from HTTPS to plain HTTP refused: http://mirror.test/3"},
      {"http, https, then http again", L"http://files.test/a.exe",
       {L"https://mirror.test/1", L"http://mirror.test/2"},
       L"[WINHTTP] Redirect from HTTPS to plain HTTP refused: http://mirror.test/2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    web.answers.clear();
    web.requested.clear();
    std::wstring from = c.start;
    for (const std::wstring& to : c.hops) {
      web.answers[from] = {ScriptedAnswer::Redirect(to)};
      from = to;
    }
    web.answers[from] = {ScriptedAnswer::Ok("moved")};
    const DownloadResult result = Fetch(c.start);
    EXPECT_EQ(result.errorText, c.failure);
    EXPECT_EQ(result.ok, c.failure.empty());
    if (result.ok) {
      EXPECT_EQ(Content(InWork(L"setup.exe")), "moved");
      EXPECT_EQ(web.requested.back(), from);
    } else {
      EXPECT_EQ(web.requested.size(), c.hops.size()) << "the plain-HTTP URL is never asked for";
      EXPECT_EQ(Content(InWork(L"setup.exe")), "");
    }
    EXPECT_EQ(http.openHandles, 0);
  }
}

TEST_F(WinHttpClientTest, RelativeLocationsAreResolvedAgainstTheUrlAskedFor) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"/big.bin", L"https://files.test/big.bin"},
      {L"next.exe", L"https://files.test/f/dir/next.exe"},
      {L"../up/next.exe?y=2", L"https://files.test/f/up/next.exe?y=2"},
      {L"//mirror.test:8443/m/next.exe", L"https://mirror.test:8443/m/next.exe"},
  };
  for (const auto& [location, target] : cases) {
    SCOPED_TRACE(std::string(location.begin(), location.end()));
    web.answers.clear();
    web.requested.clear();
    web.answers[kUrl] = {ScriptedAnswer::Redirect(location)};
    web.answers[target] = {ScriptedAnswer::Ok("relative")};
    const DownloadResult result = Fetch();
    EXPECT_TRUE(result.ok) << std::string(result.errorText.begin(), result.errorText.end());
    EXPECT_EQ(web.requested, (std::vector<std::wstring>{kUrl, target}));
    EXPECT_EQ(Content(InWork(L"setup.exe")), "relative");
  }
  // Each hop resolves against its own URL, and the limit still holds.
  web.answers.clear();
  web.answers[L"https://files.test/r/0"] = {ScriptedAnswer::Redirect(L"1")};
  for (int i = 1; i <= 6; ++i) {
    web.answers[L"https://files.test/r/" + std::to_wstring(i)] = {
        ScriptedAnswer::Redirect(std::to_wstring(i + 1))};
  }
  EXPECT_EQ(Fetch(L"https://files.test/r/0").errorText, L"[WINHTTP] Too many redirects.");
  EXPECT_EQ(web.requested.back(), L"https://files.test/r/5");
}

TEST_F(WinHttpClientTest, UnusableLocationsAreNeverFollowed) {
  struct Case {
    const char* name;
    std::optional<std::wstring> location;
    std::wstring text;
  };
  const std::wstring longest = L"https://files.test/" + std::wstring(259 - 19, L'x');
  const std::wstring tooLong = longest + L"x";
  const Case cases[] = {
      {"missing", std::nullopt, L"[WINHTTP] Redirect without a Location header."},
      {"empty", L"", L"[WINHTTP] Invalid redirect location: "},
      {"line break", L"/a\r\nX: 1", L"[WINHTTP] Invalid redirect location: /a\r\nX: 1"},
      {"other scheme", L"ftp://files.test/next.exe",
       L"[WINHTTP] Invalid redirect location: ftp://files.test/next.exe"},
      {"no host", L"https:///next.exe", L"[WINHTTP] Invalid redirect location: https:///next.exe"},
      {"260 characters", tooLong, L"[WINHTTP] Redirect location is too long."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedAnswer redirect = ScriptedAnswer::Redirect(L"");
    redirect.location = c.location;
    web.answers.clear();
    web.answers[kUrl] = {redirect};
    web.requested.clear();
    const DownloadResult result = Fetch();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, c.text);
    EXPECT_EQ(web.requested.size(), 1u);
    // The file was created before the request and is left (empty) for the
    // caller to delete.
    EXPECT_TRUE(streams.Exists(InWork(L"setup.exe")));
    EXPECT_EQ(http.openHandles, 0);
  }
  web.answers[kUrl] = {ScriptedAnswer::Redirect(longest)};
  web.answers[longest] = {ScriptedAnswer::Ok("ok")};
  EXPECT_TRUE(Fetch().ok) << "259 characters fit the buffer";
}

TEST_F(WinHttpClientTest, ReadsAtMostOneBlockIntoOneBufferWhateverIsAvailable) {
  // An available count of 4 GiB - 1 is no allocation size (and + 1 would
  // wrap a 32-bit size_t): reads stay within one 64 KiB block.
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(200000));
  Serve(kUrl, answer);
  http.claimedAvailable = 0xFFFFFFFFu;
  const DownloadResult result = Fetch();
  EXPECT_TRUE(result.ok) << std::string(result.errorText.begin(), result.errorText.end());
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(200000));
  ASSERT_EQ(http.readSizes.size(), 4u);
  for (const std::uint32_t size : http.readSizes) EXPECT_EQ(size, kWinHttpReadBlock);
  EXPECT_EQ(http.readBuffers.size(), 1u) << "one buffer for the whole transfer";
}

TEST_F(WinHttpClientTest, UnusableUrlFailsBeforeAnyConnection) {
  for (const std::wstring url : {L"ftp://files.test/a.exe", L"files.test/a.exe", L"https://",
                                 L"https://files.test:99999/a.exe", L""}) {
    const DownloadResult result = Fetch(url);
    EXPECT_EQ(result.errorText, L"[WINHTTP] Invalid URL: " + url);
  }
  EXPECT_TRUE(http.requests.empty());
  EXPECT_EQ(http.openHandles, 0);
}

TEST_F(WinHttpClientTest, StatusOutside2xxFails) {
  for (std::uint32_t status : {404u, 500u, 199u, 100u, 403u}) {
    Serve(kUrl, ScriptedAnswer::Status(status));
    EXPECT_EQ(Fetch().errorText,
              L"[WINHTTP] Download failed: Server returned status code: " + std::to_wstring(status));
  }
  ScriptedAnswer noContent = ScriptedAnswer::Ok("");
  noContent.status = 204;
  Serve(kUrl, noContent);
  EXPECT_TRUE(Fetch().ok);
  EXPECT_EQ(progress.Percents(), std::vector<std::uintptr_t>{}) << "length 0: no 100 %";

  http.failures["QueryStatus"] = 12150;
  Serve(kUrl, ScriptedAnswer::Ok("x"));
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Download failed: Server returned status code: 0");
}

TEST_F(WinHttpClientTest, EveryFailingCallHasItsText) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(3000)));
  const std::pair<std::string, std::wstring> cases[] = {
      {"WinHttpOpen", L"Failed to open HTTP session: "},
      {"WinHttpSetOption", L"Failed to set secure protocols: "},
      {"WinHttpConnect", L"Failed to connect: "},
      {"WinHttpOpenRequest", L"Failed to open request: "},
      {"WinHttpSendRequest", L"Failed to send request: "},
      {"WinHttpReceiveResponse", L"Failed to receive response: "},
      {"WinHttpQueryDataAvailable", L"Failed to query data: "},
      {"WinHttpReadData", L"Failed to read data: "},
  };
  for (const auto& [call, text] : cases) {
    SCOPED_TRACE(call);
    http.failures = {{call, 12029}};
    const DownloadResult result = Fetch();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, L"[WINHTTP] " + text + Text(12029));
    EXPECT_EQ(http.openHandles, 0);
    EXPECT_EQ(streams.openFiles, 0);
  }
}

TEST_F(WinHttpClientTest, MissingLengthPostsOneNoticeAndSkipsTheCheck) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(5000));
  answer.announceLength = false;
  Serve(kUrl, answer);
  EXPECT_TRUE(Fetch().ok);
  EXPECT_EQ(progress.posted, (std::vector<RecordingProgress::Message>{{kWmLengthMissing, 0}}));
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(5000));
}

TEST_F(WinHttpClientTest, ShortBodyIsIncompleteOrAReadFailure) {
  ScriptedAnswer shortBody = ScriptedAnswer::Ok(Body(600));
  shortBody.contentLength = 1000;
  Serve(kUrl, shortBody);
  EXPECT_EQ(Fetch().errorText,
            L"[WINHTTP] Download was incomplete: content length: 1000, downloaded: 600");

  shortBody.dropError = 12030;
  Serve(kUrl, shortBody);
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Failed to query data: " + Text(12030));
}

TEST_F(WinHttpClientTest, FileProblems) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(3000)));

  // The folder is gone: the request is still made, then the file's own error.
  const DownloadResult noFolder = manager->DownloadWithWinHttp(kUrl, &progress, L"C:\\gone\\a.exe");
  EXPECT_EQ(noFolder.errorText, L"[WINHTTP] Failed to open file for writing: " + Text(3));
  EXPECT_EQ(http.requests.size(), 1u);
  // No path at all (the folder was invalid).
  EXPECT_EQ(manager->DownloadWithWinHttp(kUrl, &progress, L"").errorText,
            L"[WINHTTP] Failed to open file for writing: " + Text(3));

  streams.writeLimit = 2000;
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Failed to write file: " + Text(112));
  streams.writeLimit.reset();

  streams.unreadable.insert(InWork(L"setup.exe"));
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Failed to open downloaded file.");
  EXPECT_EQ(manager->lastDownloadedFile, L"");
  EXPECT_EQ(streams.openFiles, 0);
}

TEST_F(WinHttpClientTest, StopFlagEndsTheTransferAtTheNextChunk) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(5000));
  answer.pieceSize = 1000;
  Serve(kUrl, answer);
  http.beforeRead = [&] {
    if (http.readSizes.size() == 2) manager->stopRequested = true;
  };
  const DownloadResult result = Fetch();
  EXPECT_EQ(result.errorText, L"[WINHTTP] Download cancelled.");
  EXPECT_EQ(http.readSizes.size(), 2u);
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(2000));
  EXPECT_EQ(http.openHandles, 0);

  // Once set it stays set: the next transfer stops before its first chunk.
  http.beforeRead = nullptr;
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Download cancelled.");
}

TEST_F(WinHttpClientTest, WritesTheFileInLargeBlocksWhateverTheNetworkHandsOver) {
  // 1000-byte pieces from the network; 600000 bytes reach the file in two
  // full blocks and the rest at the end.
  Serve(kUrl, ScriptedAnswer::Ok(Body(600000)));
  const DownloadResult result = Fetch();
  EXPECT_TRUE(result.ok) << std::string(result.errorText.begin(), result.errorText.end());
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(600000));
  EXPECT_EQ(streams.writeSizes,
            (std::vector<std::size_t>{kFileWriteBlock, kFileWriteBlock, 600000 - 2 * kFileWriteBlock}));
  EXPECT_EQ(progress.Percents().back(), 100u);

  // A refused block ends the transfer there, not at the end of the body.
  streams.writeSizes.clear();
  http.readSizes.clear();
  streams.writeLimit = 1000;
  EXPECT_EQ(Fetch().errorText, L"[WINHTTP] Failed to write file: " + Text(112));
  EXPECT_EQ(streams.writeSizes, std::vector<std::size_t>{kFileWriteBlock});
  EXPECT_EQ(http.readSizes.size(), kFileWriteBlock / 1000 + 1);
  EXPECT_EQ(streams.openFiles, 0);
}

TEST_F(WinHttpClientTest, NullWindowIsAllowed) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(3000)));
  EXPECT_TRUE(manager->DownloadWithWinHttp(kUrl, nullptr, InWork(L"a.exe")).ok);
}

}  // namespace
