// The pauses report senders asked for, from any thread; nobody really waits.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

class PauseLog {
 public:
  void Add(std::uint32_t milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    pauses_.push_back(milliseconds);
  }
  std::vector<std::uint32_t> All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::uint32_t> pauses_;
};
