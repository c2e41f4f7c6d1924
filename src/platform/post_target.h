// Reaching a window from another thread. A completion (an in-memory
// download's, a request's, a download task's progress) may arrive after its
// page or window is gone. It therefore never holds the window or the page
// object: it holds a shared PostTarget, which the window clears while it is
// destroyed, and posts through it. A post either reaches the live window or
// does not happen at all; a handle the system has meanwhile given to another
// window is never used.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class PostTarget {
 public:
  // PostMessageW(window, message, wParam, lParam) != FALSE, for one window.
  using Poster =
      std::function<bool(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

  // Without a poster the target has no window from the start.
  PostTarget() = default;
  explicit PostTarget(Poster poster) : poster_(std::move(poster)) {}
  PostTarget(const PostTarget&) = delete;
  PostTarget& operator=(const PostTarget&) = delete;

  // Posts to the window while it exists; false once it is gone or when the
  // post failed. Any thread.
  bool Post(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // The window is going. When this returns no post is under way and none
  // follows. Called on the window's thread; a poster must never call it.
  void Clear();
  bool valid() const;

 private:
  mutable std::mutex mutex_;
  Poster poster_;
};

// One result handed from a worker to a window: the worker stores it and posts
// `message`; the window takes it when the message arrives. Worker and window
// each hold the box, so neither needs the other to exist any more.
template <typename T>
class PostedValue {
 public:
  PostedValue(std::shared_ptr<PostTarget> target, std::uint32_t message)
      : target_(std::move(target)), message_(message) {}
  PostedValue(const PostedValue&) = delete;
  PostedValue& operator=(const PostedValue&) = delete;

  // Worker side: stores `value` (in place of one not taken yet) and posts the
  // message. False when the window is gone; the value is dropped then.
  bool Deliver(T value) {
    std::optional<T> previous;  // destroyed outside the lock
    {
      std::lock_guard<std::mutex> lock(mutex_);
      previous = std::exchange(value_, std::optional<T>(std::move(value)));
    }
    if (target_ && target_->Post(message_)) return true;
    Take();  // nobody is left to take it
    return false;
  }

  // Window side, when the message arrives: the value, if one is waiting.
  std::optional<T> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(value_, std::nullopt);
  }

 private:
  std::shared_ptr<PostTarget> target_;
  std::uint32_t message_;
  std::mutex mutex_;
  std::optional<T> value_;
};
