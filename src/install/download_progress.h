// Progress of one file download as the page window sees it: posted
// messages, at most one per whole percent.
#pragma once

#include <cstdint>

// Private messages posted to the page window given to a download.
constexpr std::uint32_t kWmDownloadProgress = 0x401;  // WM_USER+1, wParam percent 0-100
constexpr std::uint32_t kWmLengthMissing = 0x402;     // WM_USER+2, no usable Content-Length

// Where a download's messages go. The Win32 side posts them to a window
// (install/win32/window_progress_sink.h); tests record them. Called on the
// downloading thread.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // PostMessageW(window, message, wParam, 0).
  virtual void Post(std::uint32_t message, std::uintptr_t wParam) = 0;
};

// The per-chunk progress arithmetic: the fraction of the announced length
// received so far, reported whenever it has advanced by more than 0.01 since
// the last report.
class ProgressThrottle {
 public:
  // contentLength 0 means there is nothing to measure against: no reports.
  explicit ProgressThrottle(std::uint32_t contentLength) : length_(contentLength) {}

  // Adds one chunk. True when a message is due; `percent` is then the
  // fraction in whole percent (truncated, never above 100).
  bool Add(std::uint32_t bytes, unsigned& percent);

 private:
  std::uint32_t length_;
  double fraction_ = 0;
  double lastPosted_ = 0;
};
