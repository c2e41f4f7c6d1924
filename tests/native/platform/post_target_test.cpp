// Posting to a window that may be gone: posts pass only while the window
// lives, a Clear waits for a post under way, and a handed-over value is
// dropped rather than kept for a window that will never take it.
#include "platform/post_target.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Posted {
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  bool operator==(const Posted& other) const {
    return message == other.message && wParam == other.wParam && lParam == other.lParam;
  }
};

// A window's message queue; `accepts` false is a queue that refuses posts.
struct Queue {
  std::mutex mutex;
  std::vector<Posted> posted;
  bool accepts = true;

  PostTarget::Poster Poster() {
    return [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
      std::lock_guard<std::mutex> lock(mutex);
      if (accepts) posted.push_back({message, wParam, lParam});
      return accepts;
    };
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return posted.size();
  }
};

TEST(PostTargetTest, PostsReachTheWindowOnlyWhileItLives) {
  enum class State { NeverBound, Live, Refusing, Cleared };
  struct Case {
    const char* name;
    State state;
    bool valid;
    bool posted;
  };
  const Case cases[] = {
      {"never bound to a window", State::NeverBound, false, false},
      {"live window", State::Live, true, true},
      {"live window refusing the post", State::Refusing, true, false},
      {"window destroyed", State::Cleared, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Queue queue;
    queue.accepts = c.state != State::Refusing;
    auto target = c.state == State::NeverBound ? std::make_shared<PostTarget>()
                                               : std::make_shared<PostTarget>(queue.Poster());
    if (c.state == State::Cleared) target->Clear();
    EXPECT_EQ(target->valid(), c.valid);
    EXPECT_EQ(target->Post(0x401, 42, -7), c.posted);
    const std::vector<Posted> expected =
        c.posted ? std::vector<Posted>{{0x401, 42, -7}} : std::vector<Posted>{};
    EXPECT_EQ(queue.posted, expected);
  }
}

TEST(PostTargetTest, ClearReturnsOnlyAfterAPostUnderWay) {
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> posting{false};
  auto target = std::make_shared<PostTarget>(
      [&](std::uint32_t, std::uintptr_t, std::intptr_t) {
        posting = true;
        entered.set_value();
        released.wait();
        posting = false;
        return true;
      });

  std::thread worker([&] { EXPECT_TRUE(target->Post(0x404)); });
  entered.get_future().wait();
  std::atomic<bool> clearReturned{false};
  bool postingWhenCleared = true;
  std::thread window([&] {
    target->Clear();
    postingWhenCleared = posting;
    clearReturned = true;
  });
  // Give a Clear that does not wait the chance to return early.
  for (int i = 0; i < 10000 && !clearReturned; ++i) std::this_thread::yield();
  release.set_value();
  worker.join();
  window.join();
  EXPECT_FALSE(postingWhenCleared);
  EXPECT_FALSE(target->Post(0x404));
}

TEST(PostTargetTest, NoPostArrivesAfterClearReturns) {
  Queue queue;
  auto target = std::make_shared<PostTarget>(queue.Poster());
  std::atomic<bool> stop{false};
  std::vector<std::thread> workers;
  for (int i = 0; i < 2; ++i) {
    workers.emplace_back([&] {
      while (!stop) target->Post(0x401);
    });
  }
  while (queue.Count() < 20) std::this_thread::yield();
  target->Clear();
  const std::size_t atClear = queue.Count();
  for (int i = 0; i < 100; ++i) std::this_thread::yield();
  stop = true;
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(queue.Count(), atClear);
}

TEST(PostedValueTest, TheWindowTakesWhatTheWorkerDelivered) {
  Queue queue;
  auto target = std::make_shared<PostTarget>(queue.Poster());
  PostedValue<std::vector<int>> box(target, 0x403);

  EXPECT_EQ(box.Take(), std::nullopt) << "nothing before a delivery";
  EXPECT_TRUE(box.Deliver({1, 2}));
  EXPECT_TRUE(box.Deliver({3}));
  EXPECT_EQ(queue.posted, (std::vector<Posted>{{0x403, 0, 0}, {0x403, 0, 0}}));
  EXPECT_EQ(box.Take(), std::vector<int>{3}) << "a later delivery replaces one not taken";
  EXPECT_EQ(box.Take(), std::nullopt) << "taken once";
}

TEST(PostedValueTest, ADeliveryToAGoneWindowIsDropped) {
  for (const bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "window refuses the post" : "window destroyed");
    Queue queue;
    queue.accepts = !refused;
    auto target = std::make_shared<PostTarget>(queue.Poster());
    if (!refused) target->Clear();
    PostedValue<std::shared_ptr<int>> box(target, 0x403);
    auto value = std::make_shared<int>(5);
    std::weak_ptr<int> watch = value;
    EXPECT_FALSE(box.Deliver(std::move(value)));
    EXPECT_TRUE(watch.expired()) << "not kept for a window that never takes it";
    EXPECT_EQ(box.Take(), std::nullopt);
    EXPECT_TRUE(queue.posted.empty());
  }
}

}  // namespace
