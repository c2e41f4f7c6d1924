// The fixed order in which a file download tries its clients and URLs, with
// the pauses between attempts and the error texts it collects.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "install/download_result.h"

// (primary URL, fallback URL); the fallback may be empty.
using UrlPair = std::pair<std::wstring, std::wstring>;

// What one run of the sequence is made of. DownloadManager supplies the real
// steps; tests script them.
class DownloadSteps {
 public:
  virtual ~DownloadSteps() = default;
  virtual DownloadResult WithWinHttp(const std::wstring& url, const std::wstring& path) = 0;
  virtual DownloadResult WithWinInet(const std::wstring& url, const std::wstring& path) = 0;
  virtual std::wstring PathFromUrl(const std::wstring& url) = 0;
  virtual std::wstring PathFromName(const std::wstring& name) = 0;
  // Deletes a partly written file; failures do not matter.
  virtual void RemovePartialFile(const std::wstring& path) = 0;
  virtual void Wait(std::uint32_t milliseconds) = 0;
};

// WinHTTP then WinINet on the primary URL, then both again on the fallback
// URL. The file is saved under `fileName` when it is given, else under the
// name in the URL being tried. A failure carries every client's text in
// order, each followed by a blank except the very last; the fallback URL's
// texts are marked "[FALLBACK] ".
DownloadResult RunDownloadFallback(const UrlPair& urls, const std::wstring& fileName,
                                   DownloadSteps& steps);
