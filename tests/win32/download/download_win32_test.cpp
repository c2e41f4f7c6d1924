// The download manager with the real WinHTTP and WinINet against the
// reference server's files and faults, over HTTPS and plain HTTP.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "download_support.h"
#include "install/win32/window_progress_sink.h"
#include "platform/win32/window_post_target.h"

namespace download_tests {
namespace {

enum class Client { WinHttp, WinInet };
const Client kClients[] = {Client::WinHttp, Client::WinInet};
const char* Name(Client client) { return client == Client::WinHttp ? "WinHTTP" : "WinINet"; }

class DownloadWin32 : public ::testing::Test {
 protected:
  ScratchFolder work;
  ScratchFolder downloads;
  std::shared_ptr<DownloadManager> manager = MakeManager(work.path(), downloads.path());

  static std::wstring Url(const Origin& origin, const std::wstring& rest) {
    return origin.base + L"/f/" + rest;
  }
  DownloadResult Fetch(Client client, const std::wstring& url, ProgressSink* sink,
                       const std::wstring& path) {
    return client == Client::WinHttp ? manager->DownloadWithWinHttp(url, sink, path)
                                     : manager->DownloadWithWinInet(url, sink, path);
  }
};

std::vector<WPARAM> Percents(const std::vector<ProgressWindow::Message>& messages) {
  std::vector<WPARAM> percents;
  for (const auto& m : messages) {
    if (m.message == kWmDownloadProgress) percents.push_back(m.wParam);
  }
  return percents;
}

int CountOf(const std::vector<ProgressWindow::Message>& messages, UINT message) {
  int count = 0;
  for (const auto& m : messages) count += m.message == message;
  return count;
}

TEST_F(DownloadWin32, FileArrivesWithProgressInTheWindow) {
  const std::size_t size = 3 * 1000 * 1000;
  for (const Origin& origin : Origins()) {
    for (Client client : kClients) {
      SCOPED_TRACE(origin.name + " " + Name(client));
      ProgressWindow window;
      WindowProgressSink sink(platform::win32::MakeWindowPostTarget(window.handle()));
      const std::wstring path = work.File(L"setup.exe");
      const DownloadResult result =
          Fetch(client, Url(origin, L"generated/" + std::to_wstring(size) + L"/setup.exe"), &sink,
                path);
      ASSERT_TRUE(result.ok) << std::string(result.errorText.begin(), result.errorText.end());
      EXPECT_EQ(result.errorText, L"");
      EXPECT_EQ(manager->lastDownloadedFile, path);
      const std::string content = ReadWholeFile(path);
      ASSERT_EQ(content.size(), size);
      EXPECT_TRUE(content == Pattern(size));

      const auto messages = window.Received();
      EXPECT_EQ(CountOf(messages, kWmLengthMissing), 0);
      const std::vector<WPARAM> percents = Percents(messages);
      // At most one message per whole percent, rising, then a final 100.
      ASSERT_GE(percents.size(), 2u);
      EXPECT_LE(percents.size(), 101u);
      EXPECT_EQ(percents.back(), 100u);
      for (std::size_t i = 1; i + 1 < percents.size(); ++i) {
        EXPECT_GT(percents[i], percents[i - 1]) << "message " << i;
      }
      for (WPARAM percent : percents) EXPECT_LE(percent, 100u);
    }
  }
}

TEST_F(DownloadWin32, TargetFolderAndFileNames) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    // The query string stays part of the name, in a form Windows accepts.
    DownloadResult result =
        manager->Download({Url(origin, L"generated/1000/setup.exe?x=1"), L""}, nullptr, L"", true);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(manager->lastDownloadedFile, work.File(L"setup.exe_x=1"));
    EXPECT_EQ(ReadWholeFile(work.File(L"setup.exe_x=1")), Pattern(1000));

    result = manager->Download({Url(origin, L"generated/2000/whatever.bin"), L""}, nullptr,
                               L"Pellio Classic.exe", false);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(manager->lastDownloadedFile, downloads.File(L"Pellio Classic.exe"));
    EXPECT_EQ(ReadWholeFile(downloads.File(L"Pellio Classic.exe")), Pattern(2000));
  }
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
const wchar_t* Tag(Client client) {
  return client == Client::WinHttp ? L"[WINHTTP] " : L"[WININET] ";
}

TEST_F(DownloadWin32, FiveRedirectsAreFollowedTheSixthFails) {
  for (const Origin& origin : Origins()) {
    for (Client client : kClients) {
      for (const std::wstring kind : {L"redirect", L"redirect-301", L"redirect-307"}) {
        SCOPED_TRACE(origin.name + " " + Name(client) + " " + Narrow(kind));
        const std::wstring path = work.File(L"r.exe");
        DownloadResult result =
            Fetch(client, Url(origin, kind + L"/5/generated/777/r.exe"), nullptr, path);
        EXPECT_TRUE(result.ok) << Narrow(result.errorText);
        EXPECT_EQ(ReadWholeFile(path), Pattern(777));

        result = Fetch(client, Url(origin, kind + L"/6/generated/777/r.exe"), nullptr, path);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorText, Tag(client) + std::wstring(L"Too many redirects."));
      }
    }
    // Both clients keep the limit, so the whole download fails.
    const DownloadResult whole =
        manager->Download({Url(origin, L"redirect/6/generated/777/r.exe"), L""}, nullptr, L"", true);
    EXPECT_FALSE(whole.ok);
    EXPECT_EQ(whole.errorText, L"[WINHTTP] Too many redirects. [WININET] Too many redirects. ");
    EXPECT_FALSE(FileExists(work.File(L"r.exe")));
  }
}

TEST_F(DownloadWin32, RelativeLocationsAreFollowed) {
  for (const Origin& origin : Origins()) {
    for (Client client : kClients) {
      for (const std::wstring kind :
           {L"relative-location", L"relative-path-location", L"scheme-relative-location"}) {
        SCOPED_TRACE(origin.name + " " + Name(client) + " " + Narrow(kind));
        const std::wstring path = work.File(L"rel.exe");
        const DownloadResult result =
            Fetch(client, Url(origin, L"pad/x/" + kind + L"/generated/4321/rel.exe"), nullptr, path);
        EXPECT_TRUE(result.ok) << Narrow(result.errorText);
        EXPECT_EQ(ReadWholeFile(path), Pattern(4321));
      }
    }
    // The in-memory download (WinHTTP) too, a relative hop after an absolute one.
    const DownloadManager::ByteBuffer bytes =
        manager->DownloadToMemory(Url(origin, L"redirect/1/relative-path-location/generated/99/p"));
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == Pattern(99)) << bytes.size();
  }
}

TEST_F(DownloadWin32, HttpsIsNeverContinuedOnPlainHttp) {
  const std::vector<Origin> origins = Origins();
  ASSERT_EQ(origins.size(), 2u);
  const Origin& secure = origins[0];
  const Origin& plain = origins[1];
  for (Client client : kClients) {
    SCOPED_TRACE(Name(client));
    const std::wstring path = work.File(L"d.exe");
    // Straight down, and down after an upgrade from plain HTTP.
    DownloadResult result = Fetch(client, Url(secure, L"to-http/generated/100/d.exe"), nullptr, path);
    EXPECT_EQ(result.errorText, Tag(client) +
                                    std::wstring(L"Redirect from HTTPS to plain HTTP refused: ") +
                                    Url(plain, L"generated/100/d.exe"));
    EXPECT_EQ(ReadWholeFile(path), "") << "not a byte from the plain-HTTP answer";
    result = Fetch(client, Url(plain, L"to-https/to-http/generated/100/d.exe"), nullptr, path);
    EXPECT_EQ(result.errorText, Tag(client) +
                                    std::wstring(L"Redirect from HTTPS to plain HTTP refused: ") +
                                    Url(plain, L"generated/100/d.exe"));

    // Up from plain HTTP to HTTPS is fine.
    result = Fetch(client, Url(plain, L"to-https/generated/100/d.exe"), nullptr, path);
    EXPECT_TRUE(result.ok) << Narrow(result.errorText);
    EXPECT_EQ(ReadWholeFile(path), Pattern(100));
  }
  EXPECT_TRUE(manager->DownloadToMemory(Url(secure, L"to-http/generated/100/p.png")).empty());
  EXPECT_EQ(manager->DownloadToMemory(Url(plain, L"to-https/generated/100/p.png")).size(), 100u);
}

TEST_F(DownloadWin32, UnusableLocationsAreNotFollowed) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    const std::wstring path = work.File(L"l.exe");
    for (Client client : kClients) {
      EXPECT_EQ(Fetch(client, Url(origin, L"no-location/generated/9/l.exe"), nullptr, path).errorText,
                Tag(client) + std::wstring(L"Redirect without a Location header."));
    }
    EXPECT_EQ(manager->DownloadWithWinHttp(Url(origin, L"long-location/generated/9/l.exe"), nullptr,
                                           path).errorText,
              L"[WINHTTP] Redirect location is too long.");
    // WinINet takes locations of up to 2048 characters.
    EXPECT_TRUE(manager->DownloadWithWinInet(Url(origin, L"long-location/generated/9/l.exe"),
                                             nullptr, path).ok);
  }
}

TEST_F(DownloadWin32, MemoryDownloadHoldsAtMostEightMebibytes) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    for (const std::wstring mode : {L"", L"chunked/"}) {
      const std::size_t limit = 8 * 1024 * 1024;
      EXPECT_EQ(manager->DownloadToMemory(
                           Url(origin, mode + L"generated/" + std::to_wstring(limit) + L"/p.png"))
                    .size(),
                limit);
      EXPECT_TRUE(manager
                      ->DownloadToMemory(Url(
                          origin, mode + L"generated/" + std::to_wstring(limit + 1) + L"/p.png"))
                      .empty());
    }
  }
}

TEST_F(DownloadWin32, NotFoundOnOneAndOnTwoUrls) {
  // WinINet's text carries the system text of the thread's error code after
  // the status query succeeded: 0.
  const std::wstring success = manager->SystemErrorText(0);
  ASSERT_FALSE(success.empty());
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    DownloadResult result =
        manager->Download({Url(origin, L"status/404/a.exe"), L""}, nullptr, L"", true);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, L"[WINHTTP] Download failed: Server returned status code: 404 "
                                L"[WININET] Server returned status code: HTTP 404 - " +
                                    success + L" ");
    EXPECT_FALSE(FileExists(work.File(L"a.exe")));

    result = manager->Download({Url(origin, L"status/404/a.exe"), Url(origin, L"status/404/b.exe")},
                               nullptr, L"", true);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText,
              L"[WINHTTP] Download failed: Server returned status code: 404 "
              L"[WININET] Server returned status code: HTTP 404 - " + success + L" "
              L"[FALLBACK] [WINHTTP] Download failed: Server returned status code: 404 "
              L"[FALLBACK] [WININET] Server returned status code: HTTP 404 - " + success);
    EXPECT_FALSE(FileExists(work.File(L"a.exe")));
    EXPECT_FALSE(FileExists(work.File(L"b.exe")));

    // The fallback URL rescues the download.
    result = manager->Download({Url(origin, L"status/404/a.exe"), Url(origin, L"generated/50/b.exe")},
                               nullptr, L"", true);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(manager->lastDownloadedFile, work.File(L"b.exe"));
  }
}

TEST_F(DownloadWin32, WithoutContentLengthOneNoticeAndNoProgress) {
  for (const Origin& origin : Origins()) {
    for (const std::wstring mode : {L"no-length", L"chunked"}) {
      for (Client client : kClients) {
        SCOPED_TRACE(origin.name + " " + Name(client) + " " + std::string(mode.begin(), mode.end()));
        ProgressWindow window;
        WindowProgressSink sink(platform::win32::MakeWindowPostTarget(window.handle()));
        const std::wstring path = work.File(L"n.exe");
        const DownloadResult result =
            Fetch(client, Url(origin, mode + L"/generated/300000/n.exe"), &sink, path);
        EXPECT_TRUE(result.ok) << std::string(result.errorText.begin(), result.errorText.end());
        EXPECT_TRUE(ReadWholeFile(path) == Pattern(300000));
        const auto messages = window.Received();
        EXPECT_EQ(CountOf(messages, kWmLengthMissing), 1);
        EXPECT_EQ(CountOf(messages, kWmDownloadProgress), 0);
      }
    }
  }
}

TEST_F(DownloadWin32, ShortBodyFailsBothClientsAndLeavesNoFile) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    const std::wstring url = Url(origin, L"truncate/600/generated/1000/s.exe");
    const DownloadResult winHttp = manager->DownloadWithWinHttp(url, nullptr, work.File(L"s.exe"));
    EXPECT_EQ(winHttp.errorText,
              L"[WINHTTP] Download was incomplete: content length: 1000, downloaded: 600");
    const DownloadResult winInet = manager->DownloadWithWinInet(url, nullptr, work.File(L"s.exe"));
    EXPECT_EQ(winInet.errorText,
              L"[WININET] Download was incomplete: content length: 1000, downloaded: 600");

    const DownloadResult whole = manager->Download({url, L""}, nullptr, L"", true);
    EXPECT_FALSE(whole.ok);
    EXPECT_EQ(whole.errorText, winHttp.errorText + L" " + winInet.errorText + L" ");
    EXPECT_FALSE(FileExists(work.File(L"s.exe")));
  }
}

TEST_F(DownloadWin32, StopFlagEndsWinHttpAtTheNextChunkButNotWinInet) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    auto stopping = MakeManager(work.path(), downloads.path());
    // The window sets the flag when the first progress arrives, as the
    // wizard does when the user closes it mid-download.
    ProgressWindow window([&](const ProgressWindow::Message& m) {
      if (m.message == kWmDownloadProgress) stopping->stopRequested = true;
    });
    WindowProgressSink sink(platform::win32::MakeWindowPostTarget(window.handle()));
    const std::wstring path = work.File(L"slow.exe");
    const std::wstring url = Url(origin, L"slow/1000000/generated/4000000/slow.exe");
    const DownloadResult stopped = stopping->DownloadWithWinHttp(url, &sink, path);
    EXPECT_EQ(stopped.errorText, L"[WINHTTP] Download cancelled.");
    EXPECT_LT(ReadWholeFile(path).size(), 4000000u);

    // With the flag set, WinHTTP gives up at once and WinINet fetches it all.
    const DownloadResult whole =
        stopping->Download({Url(origin, L"generated/500000/slow.exe"), L""}, nullptr, L"", true);
    EXPECT_TRUE(whole.ok);
    EXPECT_TRUE(ReadWholeFile(path) == Pattern(500000));
  }
}

TEST_F(DownloadWin32, MemoryDownloadsRetryOnceAndShareTheRedirectCount) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    DownloadManager::ByteBuffer bytes = manager->DownloadToMemory(
        Url(origin, L"fail-first/" + UniqueKey("memory") + L"/generated/70000/p.png"));
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == Pattern(70000))
        << bytes.size() << " bytes";

    EXPECT_TRUE(manager->DownloadToMemory(Url(origin, L"status/500/p.png")).empty());
    EXPECT_FALSE(manager->DownloadToMemory(Url(origin, L"redirect/5/generated/10/p.png")).empty());
    // Three redirects and a failure, then three more: the sixth of the call.
    EXPECT_TRUE(manager
                    ->DownloadToMemory(Url(origin, L"redirect/3/fail-first/" +
                                                       UniqueKey("redirects") +
                                                       L"/generated/10/p.png"))
                    .empty());
  }
}

TEST_F(DownloadWin32, AsyncMemoryDownloadCallsBackOnItsOwnThread) {
  for (const Origin& origin : Origins()) {
    SCOPED_TRACE(origin.name);
    struct Delivered {
      std::promise<void> done;
      std::unique_ptr<DownloadManager::ByteBuffer> bytes;
      std::thread::id thread;
    };
    auto run = [&](DownloadManager& m, const std::wstring& url) {
      auto delivered = std::make_shared<Delivered>();
      auto future = delivered->done.get_future();
      m.DownloadToMemoryAsync(url, [delivered](std::unique_ptr<DownloadManager::ByteBuffer> b) {
        delivered->bytes = std::move(b);
        delivered->thread = std::this_thread::get_id();
        delivered->done.set_value();
      });
      future.wait();
      return delivered;
    };
    auto ok = run(*manager, Url(origin, L"fail-first/" + UniqueKey("async") + L"/generated/999/p"));
    ASSERT_TRUE(ok->bytes);
    EXPECT_TRUE(std::string(ok->bytes->begin(), ok->bytes->end()) == Pattern(999));
    EXPECT_NE(ok->thread, std::this_thread::get_id());

    auto failed = run(*manager, Url(origin, L"status/404/p"));
    ASSERT_TRUE(failed->bytes);
    EXPECT_TRUE(failed->bytes->empty());

    auto closing = MakeManager(work.path(), downloads.path());
    closing->stopRequested = true;
    EXPECT_EQ(run(*closing, Url(origin, L"generated/999/p"))->bytes, nullptr);
  }
}

TEST(SystemErrorTextWin32, IsTheSystemsTextWithItsLineBreak) {
  ScratchFolder folder;
  auto manager = MakeManager(folder.path(), folder.path());
  // The wording differs between Windows and Wine; the form does not.
  const std::wstring denied = manager->SystemErrorText(ERROR_ACCESS_DENIED);
  EXPECT_NE(denied.find(L"ccess"), std::wstring::npos) << std::string(denied.begin(), denied.end());
  EXPECT_EQ(denied.substr(denied.size() - 2), L"\r\n");
  // A code without a system text.
  EXPECT_EQ(manager->SystemErrorText(0x2000FFFF), L"");
}

}  // namespace
}  // namespace download_tests
