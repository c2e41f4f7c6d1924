// Completions that arrive after their page is gone, with real windows: the
// page's post target is cleared with its window, so an in-memory download's
// completion or a download's progress reaches a live page and nothing once
// the page is destroyed. And the application's message boxes: owned by the
// wizard window while it is set, captioned with the application's title.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "app/win32/singletons.h"
#include "install/download_manager.h"
#include "install/win32/download_platform_win32.h"
#include "install/win32/window_progress_sink.h"
#include "pages/loading_page.h"
#include "pages_support.h"
#include "platform/win32/message_boxes.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

constexpr UINT kPictureArrived = WM_APP + 7;

// A page in a top-level host, as in the wizard's page area.
class LateCompletion : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = CreateWindowExW(0, L"Static", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 700, 600, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
    page_ = MakePage();
  }
  void TearDown() override {
    page_.reset();
    DestroyWindow(host_);
    PumpMessages();
  }

  std::unique_ptr<LoadingPage> MakePage() {
    auto page = std::make_unique<LoadingPage>(
        std::make_shared<LanguageManager>(
            *GetConfigurationManager(),
            LanguagePlatform{w::RealModuleResources(), w::RealLocaleInfo(), w::RealDialogs()}),
        host_);
    EXPECT_TRUE(page->Create(host_));
    return page;
  }

  // Removes and counts the queued messages `message` of this thread, and
  // tells whether they were all for `window`.
  static int TakeQueued(UINT message, HWND window, bool& allForWindow) {
    int count = 0;
    allForWindow = true;
    MSG queued;
    while (PeekMessageW(&queued, nullptr, message, message, PM_REMOVE)) {
      ++count;
      allForWindow = allForWindow && queued.hwnd == window;
    }
    return count;
  }

  HWND host_ = nullptr;
  std::unique_ptr<LoadingPage> page_;
};

// An in-memory download (nothing listens on the port: it fails at once, an
// empty buffer) whose completion waits until the test lets it go.
struct HeldCompletion {
  using Bytes = std::unique_ptr<DownloadManager::ByteBuffer>;
  std::shared_ptr<PostedValue<Bytes>> box;
  std::promise<void> release;
  std::shared_ptr<std::promise<bool>> delivered = std::make_shared<std::promise<bool>>();

  void Start(const std::shared_ptr<PostTarget>& target) {
    box = std::make_shared<PostedValue<Bytes>>(target, kPictureArrived);
    auto manager = std::make_shared<DownloadManager>(GetConfigurationManager(),
                                                     Win32DownloadPlatform());
    // The completion holds the box (and through it the post target), never
    // the page.
    manager->DownloadToMemoryAsync(
        L"http://127.0.0.1:1/picture.png",
        [box = box, released = release.get_future().share(), delivered = delivered](Bytes bytes) {
          released.wait();
          delivered->set_value(box->Deliver(std::move(bytes)));
        });
  }
  bool Finish() {
    release.set_value();
    return delivered->get_future().get();
  }
};

TEST_F(LateCompletion, AnInMemoryDownloadReachesALivePage) {
  HeldCompletion completion;
  completion.Start(page_->postTarget());
  EXPECT_TRUE(completion.Finish());
  bool forPage = false;
  EXPECT_EQ(TakeQueued(kPictureArrived, page_->hwnd(), forPage), 1);
  EXPECT_TRUE(forPage);
  auto bytes = completion.box->Take();
  ASSERT_TRUE(bytes.has_value());
  ASSERT_TRUE(*bytes);
  EXPECT_TRUE((*bytes)->empty());
}

TEST_F(LateCompletion, AnInMemoryDownloadFindsItsPageGone) {
  HeldCompletion completion;
  completion.Start(page_->postTarget());
  const HWND gone = page_->hwnd();
  std::shared_ptr<PostTarget> target = page_->postTarget();
  page_.reset();  // the page and its window, before the completion arrives
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_FALSE(target->valid());

  EXPECT_FALSE(completion.Finish());
  bool forPage = false;
  EXPECT_EQ(TakeQueued(kPictureArrived, gone, forPage), 0);
  EXPECT_FALSE(completion.box->Take().has_value());
}

// The sink is the download task's own: it outlives the page.
TEST_F(LateCompletion, ProgressReachesThePageOnlyWhileItLives) {
  auto sink = std::make_shared<WindowProgressSink>(page_->postTarget());
  const HWND window = page_->hwnd();
  bool forPage = false;

  sink->Post(kWmDownloadProgress, 40);
  sink->Post(kWmLengthMissing, 0);
  EXPECT_EQ(TakeQueued(kWmDownloadProgress, window, forPage), 1);
  EXPECT_TRUE(forPage);
  EXPECT_EQ(TakeQueued(kWmLengthMissing, window, forPage), 1);

  page_.reset();
  std::thread task([sink] {
    sink->Post(kWmDownloadProgress, 100);
    sink->Post(kWmLengthMissing, 0);
  });
  task.join();
  EXPECT_EQ(TakeQueued(kWmDownloadProgress, window, forPage), 0);
  EXPECT_EQ(TakeQueued(kWmLengthMissing, window, forPage), 0);
}

// A window created again by the same object gets a new target: what was
// meant for the first window never reaches the second.
TEST_F(LateCompletion, EachWindowOfAPageHasItsOwnTarget) {
  std::shared_ptr<PostTarget> first = page_->postTarget();
  page_->DestroyWindow();
  EXPECT_FALSE(first->valid());
  ASSERT_TRUE(page_->Create(host_));
  EXPECT_TRUE(page_->postTarget()->valid());
  EXPECT_NE(page_->postTarget(), first);
  EXPECT_FALSE(first->Post(kPictureArrived));
}

// --- Application message boxes ----------------------------------------------

struct ShownBox {
  std::wstring caption;
  HWND owner = nullptr;
  bool ownerEnabled = true;
};

// Finds a shown dialog box among a thread's windows. A named callback, not a
// lambda: the i686 build needs its stdcall convention.
BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Raises an application message box from a worker thread, as the logic
// does, and answers it. This thread keeps dispatching: the box disables and
// re-enables its owner, whose messages this thread handles.
ShownBox RaiseFromWorker(const std::wstring& caption) {
  std::atomic<bool> done{false};
  std::atomic<DWORD> id{0};
  std::thread worker([&] {
    id = GetCurrentThreadId();
    w::RealDialogs().ShowMessage(L"Failed to find resource with id: 1", caption, platform::kMbOk);
    done = true;
  });
  ShownBox shown;
  HWND box = nullptr;
  while (!box && !done) {
    PumpMessages();
    if (!id) continue;
    EnumThreadWindows(id, FindShownDialog, reinterpret_cast<LPARAM>(&box));
    Sleep(10);
  }
  if (box) {
    shown.caption = WindowCaption(box);
    shown.owner = GetWindow(box, GW_OWNER);
    shown.ownerEnabled = shown.owner ? IsWindowEnabled(shown.owner) != FALSE : true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  while (!done) {
    PumpMessages();
    Sleep(10);
  }
  worker.join();
  return shown;
}

TEST_F(LateCompletion, ApplicationMessageBoxesBelongToTheWizard) {
  struct Case {
    const char* name;
    const wchar_t* caption;
    bool ownerSet;
    const wchar_t* shownCaption;
  };
  const Case cases[] = {
      {"no caption, wizard set", L"", true, L"Vellam"},
      {"own caption, wizard set", L"Error", true, L"Error"},
      {"no caption, no wizard", L"", false, L"Vellam"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    w::SetMessageBoxOwner(c.ownerSet ? host_ : nullptr);
    const ShownBox shown = RaiseFromWorker(c.caption);
    EXPECT_EQ(shown.caption, c.shownCaption);
    EXPECT_EQ(shown.owner, c.ownerSet ? host_ : nullptr);
    EXPECT_FALSE(c.ownerSet && shown.ownerEnabled) << "the wizard takes no input behind the box";
  }
  w::SetMessageBoxOwner(nullptr);
  EXPECT_EQ(w::ApplicationTitle(), L"Vellam");
}

TEST_F(LateCompletion, OnlyTheOwnerItselfGivesUpOwnership) {
  w::SetMessageBoxOwner(host_);
  w::ClearMessageBoxOwner(page_->hwnd());
  EXPECT_EQ(w::MessageBoxOwner(), host_) << "another window's destruction changes nothing";
  w::ClearMessageBoxOwner(host_);
  EXPECT_EQ(w::MessageBoxOwner(), nullptr);
}

}  // namespace
