// The two file download clients and the in-memory download. They never
// throw: every failure becomes the result's tagged text (file clients) or an
// empty buffer (memory).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "install/download_platform.h"
#include "install/download_progress.h"
#include "install/download_result.h"

// WinHTTP: redirects followed by hand (five at most, relative locations
// resolved, never from HTTPS to plain HTTP), 2xx accepted, progress
// and the completeness check; stops at the next chunk once `stop` is set.
// Failures read "[WINHTTP] " + text.
DownloadResult FetchFileWithWinHttp(DownloadPlatform& platform, const std::atomic<bool>& stop,
                                    const std::wstring& url, ProgressSink* window,
                                    const std::wstring& path);

// WinINet: redirects followed by hand under the same rules as WinHTTP (five
// at most, relative locations resolved, never from HTTPS to plain HTTP),
// exactly 200 accepted, 4096-byte reads, a failed read taken as the end of
// the body; does not look at the stop flag. Failures read "[WININET] " + text.
DownloadResult FetchFileWithWinInet(DownloadPlatform& platform, const std::wstring& url,
                                    ProgressSink* window, const std::wstring& path);

// What an in-memory download may hold (pictures, small documents).
constexpr std::size_t kMaxMemoryDownload = 8 * 1024 * 1024;

// Two WinHTTP attempts sharing one redirect count; the body of the first
// that succeeds, or an empty buffer. A body (or an announced length) above
// kMaxMemoryDownload gives an empty buffer at once, without a second attempt.
std::vector<std::uint8_t> FetchToMemory(DownloadPlatform& platform,
                                        const std::atomic<bool>& stop, const std::wstring& url);
