#include "install/download_fallback.h"

namespace {

// Pauses give a flaky connection a moment before the next client tries.
constexpr std::uint32_t kWaitBeforeWinInet = 1500;
constexpr std::uint32_t kWaitBeforeFallbackUrl = 500;

const wchar_t kFallbackTag[] = L"[FALLBACK] ";

}  // namespace

DownloadResult RunDownloadFallback(const UrlPair& urls, const std::wstring& fileName,
                                   DownloadSteps& steps) {
  const std::wstring& primary = urls.first;
  const std::wstring& fallback = urls.second;
  std::wstring errors;

  std::wstring path = fileName.empty() ? steps.PathFromUrl(primary) : steps.PathFromName(fileName);
  DownloadResult result = steps.WithWinHttp(primary, path);
  if (result.ok) return {true, result.errorText};

  errors += result.errorText + L" ";
  steps.Wait(kWaitBeforeWinInet);
  result = steps.WithWinInet(primary, path);
  if (result.ok) return {true, L""};

  steps.RemovePartialFile(path);
  errors += result.errorText + L" ";
  if (fallback.empty()) return {false, errors};

  if (fileName.empty()) path = steps.PathFromUrl(fallback);
  steps.Wait(kWaitBeforeFallbackUrl);
  result = steps.WithWinHttp(fallback, path);
  if (result.ok) return {true, L""};

  errors += kFallbackTag + result.errorText + L" ";
  steps.Wait(kWaitBeforeWinInet);
  result = steps.WithWinInet(fallback, path);
  if (result.ok) return {true, L""};

  steps.RemovePartialFile(path);
  errors += kFallbackTag + result.errorText;
  return {false, errors};
}
