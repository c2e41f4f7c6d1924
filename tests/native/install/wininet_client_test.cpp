// The WinINet fallback client against the scripted web.
#include <gtest/gtest.h>

#include "download_fixture.h"

namespace {

const std::wstring kUrl = L"https://files.test/f/setup.exe";

class WinInetClientTest : public DownloadFixture {
 protected:
  DownloadResult Fetch(const std::wstring& url = kUrl) {
    return manager->DownloadWithWinInet(url, &progress, InWork(L"setup.exe"));
  }
  void Serve(const std::wstring& url, ScriptedAnswer answer) { web.answers[url] = {answer}; }
};

TEST_F(WinInetClientTest, DownloadsTheBodyWithProgress) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(4 * 65536)));
  const DownloadResult result = Fetch();
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.errorText, L"");
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(4 * 65536));
  EXPECT_EQ(manager->lastDownloadedFile, InWork(L"setup.exe"));
  // 64 KiB reads, a quarter each (small reads made this client twice as slow
  // as the WinHTTP one), all into one buffer; the fifth read finds the end.
  EXPECT_EQ(progress.Percents(), (std::vector<std::uintptr_t>{25, 50, 75, 100, 100}));
  EXPECT_EQ(inet.readSizes, std::vector<std::uint32_t>(5, 65536u));
  EXPECT_EQ(inet.readBuffers.size(), 1u);
  EXPECT_EQ(inet.agents, std::vector<std::wstring>{L""});
  // Redirects are this client's to follow, not WinINet's.
  EXPECT_EQ(inet.urlFlags, std::vector<std::uint32_t>{platform::kInternetFlagReload |
                                                      platform::kInternetFlagNoAutoRedirect});
  EXPECT_EQ(inet.openHandles, 0);
  EXPECT_EQ(streams.openFiles, 0);
}

TEST_F(WinInetClientTest, FollowsFiveRedirectsByHandAndFailsOnTheSixth) {
  auto chain = [&](int hops) {
    web.answers.clear();
    web.requested.clear();
    web.answers[kUrl] = {ScriptedAnswer::Redirect(L"https://files.test/1")};
    for (int i = 1; i < hops; ++i) {
      // Relative and absolute locations taking turns.
      web.answers[L"https://files.test/" + std::to_wstring(i)] = {ScriptedAnswer::Redirect(
          (i % 2 ? L"/" : L"https://files.test/") + std::to_wstring(i + 1), 301 + i % 2)};
    }
    web.answers[L"https://files.test/" + std::to_wstring(hops)] = {ScriptedAnswer::Ok("end")};
  };
  chain(5);
  const DownloadResult five = Fetch();
  EXPECT_TRUE(five.ok) << std::string(five.errorText.begin(), five.errorText.end());
  EXPECT_EQ(Content(InWork(L"setup.exe")), "end");
  EXPECT_EQ(inet.openedUrls.size(), 6u);

  chain(6);
  EXPECT_EQ(Fetch().errorText, L"[WININET] Too many redirects.");
  EXPECT_EQ(web.requested.back(), L"https://files.test/5");
  EXPECT_EQ(inet.openHandles, 0);
}

TEST_F(WinInetClientTest, NeverContinuesFromHttpsOnPlainHttp) {
  struct Case {
    const char* name;
    std::wstring start;
    std::wstring location;
    std::wstring target;   // what the location resolves to
    std::wstring failure;  // empty: followed
  };
  const Case cases[] = {
      {"https down to http", kUrl, L"http://files.test:8080/f/setup.exe",
       L"http://files.test:8080/f/setup.exe",
       L"[WININET] Redirect from HTTPS to plain HTTP refused: http://files.test:8080/f/setup.exe"},
      {"http up to https", L"http://files.test:8080/f/setup.exe", L"https://files.test/f/s.exe",
       L"https://files.test/f/s.exe", L""},
      {"relative on https stays https", kUrl, L"/g/setup.exe", L"https://files.test/g/setup.exe",
       L""},
      {"scheme-relative", kUrl, L"//mirror.test/m.exe", L"https://mirror.test/m.exe", L""},
      {"other scheme", kUrl, L"ftp://files.test/a", L"ftp://files.test/a",
       L"[WININET] Invalid redirect location: ftp://files.test/a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    web.answers.clear();
    web.requested.clear();
    web.answers[c.start] = {ScriptedAnswer::Redirect(c.location)};
    web.answers[c.target] = {ScriptedAnswer::Ok("moved")};
    const DownloadResult result = Fetch(c.start);
    EXPECT_EQ(result.errorText, c.failure);
    if (c.failure.empty()) {
      EXPECT_EQ(web.requested, (std::vector<std::wstring>{c.start, c.target}));
      EXPECT_EQ(Content(InWork(L"setup.exe")), "moved");
    } else {
      EXPECT_EQ(web.requested, std::vector<std::wstring>{c.start});
      EXPECT_EQ(Content(InWork(L"setup.exe")), "");
    }
    EXPECT_EQ(inet.openHandles, 0);
  }
}

TEST_F(WinInetClientTest, UnusableLocations) {
  ScriptedAnswer missing = ScriptedAnswer::Redirect(L"");
  missing.location.reset();
  Serve(kUrl, missing);
  EXPECT_EQ(Fetch().errorText, L"[WININET] Redirect without a Location header.");
  Serve(kUrl, ScriptedAnswer::Redirect(L"/" + std::wstring(2100, L'x')));
  EXPECT_EQ(Fetch().errorText, L"[WININET] Redirect location is too long.");
  // Longer than WinHTTP's 260 characters is still followed here.
  const std::wstring longer = L"https://files.test/" + std::wstring(400, L'y');
  Serve(kUrl, ScriptedAnswer::Redirect(longer));
  Serve(longer, ScriptedAnswer::Ok("long"));
  EXPECT_TRUE(Fetch().ok);
  EXPECT_EQ(inet.openHandles, 0);
}

TEST_F(WinInetClientTest, OnlyStatus200IsAccepted) {
  inet.errorAfterStatusQuery = 0;
  for (std::uint32_t status : {404u, 500u, 201u, 206u}) {
    Serve(kUrl, ScriptedAnswer::Status(status));
    EXPECT_EQ(Fetch().errorText, L"[WININET] Server returned status code: HTTP " +
                                     std::to_wstring(status) + L" - <text of 0>\r\n");
  }
  // The system text is that of whatever error code the thread holds then.
  inet.errorAfterStatusQuery = 12150;
  Serve(kUrl, ScriptedAnswer::Status(404));
  EXPECT_EQ(Fetch().errorText,
            L"[WININET] Server returned status code: HTTP 404 - <text of 12150>\r\n");
}

TEST_F(WinInetClientTest, EveryFailingCallHasItsText) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(100)));
  const std::pair<std::string, std::wstring> cases[] = {
      {"InternetOpenW", L"Failed to initialize WinINet:: "},
      {"InternetOpenUrlW", L"Failed to open URL:: "},
      {"QueryStatus", L"Failed to query HTTP status code: "},
  };
  for (const auto& [call, text] : cases) {
    SCOPED_TRACE(call);
    inet.failures = {{call, 12007}};
    EXPECT_EQ(Fetch().errorText, L"[WININET] " + text + Text(12007));
    EXPECT_EQ(inet.openHandles, 0);
  }
  inet.failures.clear();
  EXPECT_EQ(Fetch(L"ftp://files.test/a.exe").errorText,
            L"[WININET] Failed to open URL:: " + Text(12006));
}

TEST_F(WinInetClientTest, WithoutLengthAnyEndCountsAsSuccess) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(6000));
  answer.announceLength = false;
  answer.dropError = 12030;  // the connection drops after 6000 bytes
  Serve(kUrl, answer);
  EXPECT_TRUE(Fetch().ok);
  EXPECT_EQ(progress.posted, (std::vector<RecordingProgress::Message>{{kWmLengthMissing, 0}}));
  EXPECT_EQ(Content(InWork(L"setup.exe")), Body(6000));
}

TEST_F(WinInetClientTest, ShortBodyWithLengthIsIncomplete) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(600));
  answer.contentLength = 1000;
  answer.dropError = 12030;
  Serve(kUrl, answer);
  EXPECT_EQ(Fetch().errorText,
            L"[WININET] Download was incomplete: content length: 1000, downloaded: 600");
  EXPECT_EQ(manager->lastDownloadedFile, L"");
}

TEST_F(WinInetClientTest, FileProblems) {
  Serve(kUrl, ScriptedAnswer::Ok(Body(9000)));
  EXPECT_EQ(manager->DownloadWithWinInet(kUrl, &progress, L"").errorText,
            L"[WININET] Failed to open file for writing: " + Text(3));
  streams.writeLimit = 5000;
  EXPECT_EQ(Fetch().errorText, L"[WININET] Failed to write file: " + Text(112));
  streams.writeLimit.reset();
  streams.unreadable.insert(InWork(L"setup.exe"));
  EXPECT_EQ(Fetch().errorText, L"[WININET] Failed to open downloaded file: " + Text(5));
  EXPECT_EQ(streams.openFiles, 0);
  EXPECT_EQ(inet.openHandles, 0);
}

TEST_F(WinInetClientTest, IgnoresTheStopFlag) {
  manager->stopRequested = true;
  Serve(kUrl, ScriptedAnswer::Ok(Body(9000)));
  EXPECT_TRUE(Fetch().ok);
}

}  // namespace
