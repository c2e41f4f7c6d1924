// Pieces the download clients share: the failure they raise internally, the
// "code - system text" format, and the file a download streams into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "install/download_progress.h"
#include "platform/file_stream.h"
#include "platform/system_messages.h"

// Raised inside a client and turned into its tagged result text; it never
// leaves the client.
struct DownloadFailure {
  std::wstring text;
};

// "%d - %s": the code as a signed decimal, " - ", the system's text for it.
std::wstring CodeAndText(platform::SystemMessages& messages, std::uint32_t code);

// Bytes gathered before one write to the file: the network hands over a few
// KiB at a time, and a write per piece would be a system call per few KiB.
constexpr std::size_t kFileWriteBlock = 256 * 1024;

// The file one client attempt writes: created (or truncated) when the
// attempt starts, filled in blocks of kFileWriteBlock, checked against the
// announced length at the end. Progress messages go to `window` (may be null).
class DownloadTarget {
 public:
  DownloadTarget(platform::FileStreams& streams, platform::SystemMessages& messages,
                 ProgressSink* window, const std::wstring& path);
  ~DownloadTarget();
  DownloadTarget(const DownloadTarget&) = delete;
  DownloadTarget& operator=(const DownloadTarget&) = delete;

  // The server sent no usable Content-Length (WM_USER+2).
  void ReportLengthMissing();
  // The response is about to be read. Raises "Failed to open file for
  // writing: ..." when the file could not be created at the start.
  void Begin(bool lengthKnown, std::uint32_t contentLength);
  // Adds one chunk to the file (written once a block is full) and posts
  // progress when a whole percent has passed.
  void Append(const std::uint8_t* data, std::size_t size);
  // Writes what is pending, closes the file and, when the length was
  // announced, compares the size on disk with it; then posts 100 percent. `openFailure` is the text raised
  // when the finished file cannot be opened (a code and system text are added
  // when `withCode` is set).
  void Finish(const std::wstring& openFailure, bool withCode);

 private:
  void Post(std::uint32_t message, std::uintptr_t wParam);
  void Flush();  // writes the pending block

  platform::FileStreams& streams_;
  platform::SystemMessages& messages_;
  ProgressSink* window_;
  std::wstring path_;
  std::unique_ptr<platform::WritableFile> file_;
  std::uint32_t createError_ = 0;
  bool lengthKnown_ = false;
  std::uint32_t contentLength_ = 0;
  ProgressThrottle throttle_{0};
  std::vector<std::uint8_t> pending_;  // reserved once, at the first chunk
};
