#include "platform/post_target.h"

bool PostTarget::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  // Held while posting: Clear waits for a post under way.
  std::lock_guard<std::mutex> lock(mutex_);
  return poster_ && poster_(message, wParam, lParam);
}

void PostTarget::Clear() {
  Poster gone;
  std::lock_guard<std::mutex> lock(mutex_);
  gone.swap(poster_);
}

bool PostTarget::valid() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<bool>(poster_);
}
