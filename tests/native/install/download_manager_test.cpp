// Whole downloads through both clients, and in-memory downloads.
#include "install/download_manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "download_fixture.h"
#include "install/download_clients.h"

namespace {

using DownloadManagerTest = DownloadFixture;

const std::wstring kPrimary = L"https://files.test/f/Pellio_.exe";
const std::wstring kFallback = L"http://mirror.test:8080/f/Pellio_.exe?v=2";

TEST_F(DownloadManagerTest, NotFoundOnTheOnlyUrl) {
  web.answers[kPrimary] = {ScriptedAnswer::Status(404)};
  const DownloadResult result = manager->Download({kPrimary, L""}, &progress, L"", true);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorText,
            L"[WINHTTP] Download failed: Server returned status code: 404 "
            L"[WININET] Server returned status code: HTTP 404 - <text of 0>\r\n ");
  EXPECT_FALSE(streams.Exists(InWork(L"Pellio_.exe")));
  EXPECT_EQ(clock.waits, std::vector<std::uint32_t>{1500});
}

TEST_F(DownloadManagerTest, NotFoundOnBothUrls) {
  web.answers[kPrimary] = {ScriptedAnswer::Status(404)};
  web.answers[kFallback] = {ScriptedAnswer::Status(404)};
  const DownloadResult result = manager->Download({kPrimary, kFallback}, &progress, L"", true);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.errorText,
            L"[WINHTTP] Download failed: Server returned status code: 404 "
            L"[WININET] Server returned status code: HTTP 404 - <text of 0>\r\n "
            L"[FALLBACK] [WINHTTP] Download failed: Server returned status code: 404 "
            L"[FALLBACK] [WININET] Server returned status code: HTTP 404 - <text of 0>\r\n");
  EXPECT_FALSE(streams.Exists(InWork(L"Pellio_.exe")));
  EXPECT_FALSE(streams.Exists(InWork(L"Pellio_.exe_v=2")));
  EXPECT_EQ(clock.waits, (std::vector<std::uint32_t>{1500, 500, 1500}));
  EXPECT_EQ(web.requested, (std::vector<std::wstring>{kPrimary, kPrimary, kFallback, kFallback}));
}

TEST_F(DownloadManagerTest, ShortBodyFailsBothClientsAndTheFileIsDeleted) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(600));
  answer.contentLength = 1000;
  web.answers[kPrimary] = {answer};
  const DownloadResult result = manager->Download({kPrimary, L""}, &progress, L"", true);
  EXPECT_EQ(result.errorText,
            L"[WINHTTP] Download was incomplete: content length: 1000, downloaded: 600 "
            L"[WININET] Download was incomplete: content length: 1000, downloaded: 600 ");
  EXPECT_FALSE(streams.Exists(InWork(L"Pellio_.exe")));
}

TEST_F(DownloadManagerTest, WinInetTakesOverAfterAWinHttpFailure) {
  web.answers[kPrimary] = {ScriptedAnswer::Ok(Body(4096))};
  http.failures["WinHttpSendRequest"] = 12029;
  const DownloadResult result = manager->Download({kPrimary, kFallback}, &progress, L"", true);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.errorText, L"");
  EXPECT_EQ(manager->lastDownloadedFile, InWork(L"Pellio_.exe"));
  EXPECT_EQ(Content(InWork(L"Pellio_.exe")), Body(4096));
}

TEST_F(DownloadManagerTest, FallbackUrlSavesUnderItsOwnNameOrTheGivenOne) {
  web.answers[kPrimary] = {ScriptedAnswer::Status(500)};
  web.answers[kFallback] = {ScriptedAnswer::Ok("from the mirror")};

  EXPECT_TRUE(manager->Download({kPrimary, kFallback}, &progress, L"", true).ok);
  EXPECT_EQ(manager->lastDownloadedFile, InWork(L"Pellio_.exe_v=2"));

  EXPECT_TRUE(manager->Download({kPrimary, kFallback}, &progress, L"Pellio Classic.exe", false).ok);
  EXPECT_EQ(manager->lastDownloadedFile, std::wstring(kDownloads) + L"\\Pellio Classic.exe");
  EXPECT_EQ(Content(manager->lastDownloadedFile), "from the mirror");
}

TEST_F(DownloadManagerTest, InvalidFolderEndsInFileErrorsFromBothClients) {
  files.directories.clear();
  web.answers[kPrimary] = {ScriptedAnswer::Ok("x")};
  const DownloadResult result = manager->Download({kPrimary, L""}, &progress, L"", true);
  EXPECT_EQ(result.errorText, L"[WINHTTP] Failed to open file for writing: " + Text(3) +
                                  L" [WININET] Failed to open file for writing: " + Text(3) +
                                  L" ");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, L"Invalid path");
}

TEST_F(DownloadManagerTest, StopFlagEndsWinHttpButNotWinInet) {
  ScriptedAnswer answer = ScriptedAnswer::Ok(Body(8000));
  web.answers[kPrimary] = {answer};
  http.beforeRead = [&] { manager->stopRequested = true; };
  const DownloadResult result = manager->Download({kPrimary, L""}, &progress, L"", true);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(http.readSizes.size(), 1u);
  EXPECT_EQ(Content(InWork(L"Pellio_.exe")), Body(8000));
}

// --- In memory ---------------------------------------------------------------

const std::wstring kPicture = L"https://files.test/f/NimbusBackup";

TEST_F(DownloadManagerTest, MemoryDownloadReturnsTheBody) {
  web.answers[kPicture] = {ScriptedAnswer::Ok(Body(3000))};
  const DownloadManager::ByteBuffer bytes = manager->DownloadToMemory(kPicture);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Body(3000));
  ASSERT_EQ(http.opens.size(), 1u);
  EXPECT_EQ(http.opens[0].userAgent, L"A WinHTTP Example Program/1.0");
  EXPECT_EQ(http.opens[0].accessType, platform::kWinHttpAccessTypeDefaultProxy);
  EXPECT_EQ(http.requests[0].flags, platform::kWinHttpFlagRefresh | platform::kWinHttpFlagSecure);
  EXPECT_EQ(http.openHandles, 0);
}

TEST_F(DownloadManagerTest, MemoryDownloadRetriesOnceWithoutPause) {
  ScriptedAnswer broken = ScriptedAnswer::Ok(Body(3000));
  broken.dropError = 12030;
  web.answers[kPicture] = {broken, ScriptedAnswer::Ok("second")};
  DownloadManager::ByteBuffer bytes = manager->DownloadToMemory(kPicture);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "second") << "nothing of attempt one stays";

  web.answers[kPicture] = {ScriptedAnswer::Status(500)};
  web.requested.clear();
  EXPECT_TRUE(manager->DownloadToMemory(kPicture).empty());
  EXPECT_EQ(web.requested.size(), 2u);
  EXPECT_TRUE(clock.waits.empty());
}

TEST_F(DownloadManagerTest, MemoryDownloadCountsRedirectsAcrossBothAttempts) {
  // a -> b -> c -> d; d fails the first time. The second attempt's third
  // redirect is the sixth of the call.
  web.answers[L"https://files.test/a"] = {ScriptedAnswer::Redirect(L"https://files.test/b")};
  web.answers[L"https://files.test/b"] = {ScriptedAnswer::Redirect(L"https://files.test/c")};
  web.answers[L"https://files.test/c"] = {ScriptedAnswer::Redirect(L"https://files.test/d")};
  web.answers[L"https://files.test/d"] = {ScriptedAnswer::Status(500), ScriptedAnswer::Ok("d")};
  EXPECT_TRUE(manager->DownloadToMemory(L"https://files.test/a").empty());
  EXPECT_EQ(web.requested.back(), L"https://files.test/c");
  EXPECT_EQ(web.requested.size(), 7u);
}

TEST_F(DownloadManagerTest, MemoryDownloadStopsWhenAsked) {
  web.answers[kPicture] = {ScriptedAnswer::Ok(Body(3000))};
  http.beforeRead = [&] { manager->stopRequested = true; };
  EXPECT_TRUE(manager->DownloadToMemory(kPicture).empty());
  EXPECT_EQ(http.readSizes.size(), 1u) << "one chunk per attempt, then the flag ends it";
}

TEST_F(DownloadManagerTest, MemoryDownloadNeverContinuesFromHttpsOnPlainHttp) {
  web.answers[kPicture] = {ScriptedAnswer::Redirect(L"http://files.test/f/picture")};
  web.answers[L"http://files.test/f/picture"] = {ScriptedAnswer::Ok("clear text")};
  EXPECT_TRUE(manager->DownloadToMemory(kPicture).empty());
  EXPECT_EQ(web.requested, std::vector<std::wstring>(2, kPicture)) << "two attempts, no http";

  // Relative locations are followed.
  web.answers[kPicture] = {ScriptedAnswer::Redirect(L"../pictures/n.png")};
  web.answers[L"https://files.test/pictures/n.png"] = {ScriptedAnswer::Ok("png")};
  const DownloadManager::ByteBuffer bytes = manager->DownloadToMemory(kPicture);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "png");
}

TEST_F(DownloadManagerTest, MemoryDownloadHoldsAtMostEightMebibytes) {
  struct Case {
    const char* name;
    std::size_t size;
    bool announced;  // with a Content-Length
    bool kept;
  };
  const Case cases[] = {
      {"exactly 8 MiB", kMaxMemoryDownload, true, true},
      {"8 MiB without a length", kMaxMemoryDownload, false, true},
      {"8 MiB + 1", kMaxMemoryDownload + 1, true, false},
      {"8 MiB + 1 without a length", kMaxMemoryDownload + 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedAnswer answer = ScriptedAnswer::Ok(std::string(c.size, 'p'));
    answer.announceLength = c.announced;
    answer.pieceSize = 1 << 20;
    web.answers[kPicture] = {answer};
    web.requested.clear();
    http.readSizes.clear();
    const DownloadManager::ByteBuffer bytes = manager->DownloadToMemory(kPicture);
    EXPECT_EQ(bytes.size(), c.kept ? c.size : 0u);
    EXPECT_EQ(web.requested.size(), 1u) << "a body too big is not fetched again";
    if (!c.kept && c.announced) {
      EXPECT_TRUE(http.readSizes.empty()) << "refused by its length";
    }
    EXPECT_EQ(http.openHandles, 0);
  }
}

struct Delivery {
  std::promise<std::unique_ptr<DownloadManager::ByteBuffer>> promise;
  std::thread::id thread;
};

std::unique_ptr<DownloadManager::ByteBuffer> Deliver(DownloadManager& manager,
                                                     const std::wstring& url,
                                                     std::thread::id& thread) {
  auto delivery = std::make_shared<Delivery>();
  auto future = delivery->promise.get_future();
  manager.DownloadToMemoryAsync(url, [delivery](std::unique_ptr<DownloadManager::ByteBuffer> b) {
    delivery->thread = std::this_thread::get_id();
    delivery->promise.set_value(std::move(b));
  });
  auto bytes = future.get();
  thread = delivery->thread;
  return bytes;
}

TEST_F(DownloadManagerTest, AsyncDeliversOnItsOwnThread) {
  web.answers[kPicture] = {ScriptedAnswer::Ok("picture")};
  std::thread::id thread;
  auto bytes = Deliver(*manager, kPicture, thread);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "picture");
  EXPECT_NE(thread, std::this_thread::get_id());

  web.answers[kPicture] = {ScriptedAnswer::Status(404)};
  bytes = Deliver(*manager, kPicture, thread);
  ASSERT_TRUE(bytes) << "a failed download still delivers, an empty buffer";
  EXPECT_TRUE(bytes->empty());
}

TEST_F(DownloadManagerTest, AsyncDeliversNothingWhenClosing) {
  web.answers[kPicture] = {ScriptedAnswer::Ok("picture")};
  manager->stopRequested = true;
  std::thread::id thread;
  EXPECT_EQ(Deliver(*manager, kPicture, thread), nullptr);
}

// Whatever a download throws, standard or not, ends as a failed download:
// an empty buffer, or nothing while the wizard closes.
TEST_F(DownloadManagerTest, AsyncTurnsAnythingThrownIntoAFailedDownload) {
  struct Case {
    const char* name;
    std::function<void()> fault;
    bool closing;
  };
  const Case cases[] = {
      {"standard exception", [] { throw std::runtime_error("broken"); }, false},
      {"anything else", [] { throw 42; }, false},
      {"anything else while closing", [] { throw 42; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    manager->stopRequested = false;
    web.answers[kPicture] = {ScriptedAnswer::Ok("picture")};
    http.beforeRead = [&] {
      if (c.closing) manager->stopRequested = true;
      c.fault();
    };
    std::thread::id thread;
    auto bytes = Deliver(*manager, kPicture, thread);
    if (c.closing) {
      EXPECT_EQ(bytes, nullptr);
    } else {
      ASSERT_TRUE(bytes);
      EXPECT_TRUE(bytes->empty());
    }
  }
}

// Fulfils its promise when the last copy of the callback holding it is gone,
// that is when the worker thread has finished with the callback.
struct Released {
  std::promise<void> done;
  ~Released() { done.set_value(); }
};

// A callback that throws must not end the process (std::terminate would end
// this test program); the manager keeps working afterwards.
TEST_F(DownloadManagerTest, AsyncSurvivesACallbackThatThrows) {
  const std::function<void()> faults[] = {[] { throw std::runtime_error("broken"); },
                                          [] { throw 42; }};
  for (const auto& fault : faults) {
    web.answers[kPicture] = {ScriptedAnswer::Ok("picture")};
    auto released = std::make_shared<Released>();
    auto finished = released->done.get_future();
    manager->DownloadToMemoryAsync(
        kPicture, [released = std::move(released), fault](std::unique_ptr<DownloadManager::ByteBuffer>) {
          fault();
        });
    finished.wait();
  }
  web.answers[kPicture] = {ScriptedAnswer::Ok("picture")};
  std::thread::id thread;
  auto bytes = Deliver(*manager, kPicture, thread);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "picture");
}

}  // namespace
