#include "install/download_progress.h"

bool ProgressThrottle::Add(std::uint32_t bytes, unsigned& percent) {
  if (length_ == 0) return false;
  fraction_ += static_cast<double>(bytes) / static_cast<double>(length_);
  if (fraction_ - lastPosted_ <= 0.01) return false;
  lastPosted_ = fraction_;
  // A server may send more than it announced; the bar never goes past full.
  const double scaled = fraction_ * 100;
  percent = scaled >= 100 ? 100u : static_cast<unsigned>(scaled);
  return true;
}
