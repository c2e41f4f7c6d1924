// Download progress as messages posted to a page window.
#pragma once

#include <windows.h>

#include "install/download_progress.h"

class WindowProgressSink final : public ProgressSink {
 public:
  // `window` may be null: nothing is posted then.
  explicit WindowProgressSink(HWND window) : window_(window) {}
  void Post(std::uint32_t message, std::uintptr_t wParam) override {
    if (window_) PostMessageW(window_, message, static_cast<WPARAM>(wParam), 0);
  }

 private:
  HWND window_;
};
