#include "install/download_target.h"

#include <algorithm>
#include <cstdint>

#include "config/decimal_text.h"

std::wstring CodeAndText(platform::SystemMessages& messages, std::uint32_t code) {
  return ToDecimal(static_cast<std::int32_t>(code)) + L" - " +
         messages.SystemMessageText(code);
}

DownloadTarget::DownloadTarget(platform::FileStreams& streams,
                               platform::SystemMessages& messages, ProgressSink* window,
                               const std::wstring& path)
    : streams_(streams), messages_(messages), window_(window), path_(path) {
  // Created before the request is made, so the file exists (empty) even when
  // the request fails; whether it opened is checked once there is a body.
  file_ = streams_.CreateForWriting(path_, createError_);
}

void DownloadTarget::ReportLengthMissing() { Post(kWmLengthMissing, 0); }

void DownloadTarget::Begin(bool lengthKnown, std::uint32_t contentLength) {
  if (!file_) {
    throw DownloadFailure{L"Failed to open file for writing: " +
                          CodeAndText(messages_, createError_)};
  }
  lengthKnown_ = lengthKnown;
  contentLength_ = contentLength;
  throttle_ = ProgressThrottle(lengthKnown ? contentLength : 0);
}

void DownloadTarget::Append(const std::uint8_t* data, std::size_t size) {
  // Reserved once (the clients turn a failure into "Out of memory."); never
  // grows past one block, since a full block is written before more is added.
  if (size > 0 && pending_.capacity() < kFileWriteBlock) pending_.reserve(kFileWriteBlock);
  for (std::size_t done = 0; done < size;) {
    const std::size_t take = std::min(size - done, kFileWriteBlock - pending_.size());
    pending_.insert(pending_.end(), data + done, data + done + take);
    done += take;
    if (pending_.size() == kFileWriteBlock) Flush();
  }
  unsigned percent = 0;
  if (throttle_.Add(static_cast<std::uint32_t>(size), percent)) Post(kWmDownloadProgress, percent);
}

void DownloadTarget::Flush() {
  if (pending_.empty()) return;
  std::uint32_t error = 0;
  const bool written = file_->Write(pending_.data(), pending_.size(), error);
  pending_.clear();
  // A refused write (disk full) would otherwise pass unnoticed whenever the
  // server sent no length to compare with.
  if (!written) throw DownloadFailure{L"Failed to write file: " + CodeAndText(messages_, error)};
}

DownloadTarget::~DownloadTarget() {
  // An attempt that ends early (cancelled, connection lost) still leaves on
  // disk everything it received, as a write per chunk did; best effort.
  if (file_ && !pending_.empty()) {
    std::uint32_t error = 0;
    file_->Write(pending_.data(), pending_.size(), error);
  }
}

void DownloadTarget::Finish(const std::wstring& openFailure, bool withCode) {
  Flush();
  std::uint32_t error = 0;
  const bool closed = file_->Close(error);
  file_.reset();
  if (!closed) throw DownloadFailure{L"Failed to write file: " + CodeAndText(messages_, error)};
  if (lengthKnown_) {
    std::uint64_t size = 0;
    if (!streams_.QueryFileSize(path_, size, error)) {
      throw DownloadFailure{withCode ? openFailure + CodeAndText(messages_, error) : openFailure};
    }
    if (size != contentLength_) {
      throw DownloadFailure{L"Download was incomplete: content length: " +
                            ToDecimal(contentLength_) +
                            L", downloaded: " + ToDecimal(size)};
    }
    if (contentLength_ > 0) Post(kWmDownloadProgress, 100);
  }
}

void DownloadTarget::Post(std::uint32_t message, std::uintptr_t wParam) {
  if (window_) window_->Post(message, wParam);
}
