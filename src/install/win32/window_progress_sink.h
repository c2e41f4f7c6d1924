// Download progress as messages posted to a page window.
#pragma once

#include <memory>

#include "install/download_progress.h"
#include "platform/post_target.h"

// Posts through the page's post target, so nothing reaches the page once its
// window is gone. The downloading task may outlive the page: give the task
// its own shared reference to the sink rather than a pointer into the page.
class WindowProgressSink final : public ProgressSink {
 public:
  // `window` may be null: nothing is posted then.
  explicit WindowProgressSink(std::shared_ptr<PostTarget> window) : window_(std::move(window)) {}
  void Post(std::uint32_t message, std::uintptr_t wParam) override {
    if (window_) window_->Post(message, wParam, 0);
  }

 private:
  std::shared_ptr<PostTarget> window_;
};
