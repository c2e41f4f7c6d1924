// The order of clients, URLs, pauses and deletions in a file download, and
// the error text it assembles, with every step scripted.
#include "install/download_fallback.h"

#include <gtest/gtest.h>

#include <ostream>

#include <deque>
#include <string>
#include <vector>

namespace {

class ScriptedSteps : public DownloadSteps {
 public:
  std::deque<DownloadResult> winHttp;
  std::deque<DownloadResult> winInet;
  std::vector<std::wstring> log;

  DownloadResult WithWinHttp(const std::wstring& url, const std::wstring& path) override {
    log.push_back(L"winhttp " + url + L" > " + path);
    return Next(winHttp);
  }
  DownloadResult WithWinInet(const std::wstring& url, const std::wstring& path) override {
    log.push_back(L"wininet " + url + L" > " + path);
    return Next(winInet);
  }
  std::wstring PathFromUrl(const std::wstring& url) override {
    log.push_back(L"path from url " + url);
    return L"C:\\w\\" + url.substr(url.rfind(L'/') + 1);
  }
  std::wstring PathFromName(const std::wstring& name) override {
    log.push_back(L"path from name " + name);
    return L"C:\\w\\" + name;
  }
  void RemovePartialFile(const std::wstring& path) override { log.push_back(L"remove " + path); }
  void Wait(std::uint32_t milliseconds) override {
    log.push_back(L"wait " + std::to_wstring(milliseconds));
  }

 private:
  static DownloadResult Next(std::deque<DownloadResult>& results) {
    if (results.empty()) {
      ADD_FAILURE() << "a client was called more often than scripted";
      return {false, L"unscripted"};
    }
    DownloadResult result = results.front();
    results.pop_front();
    return result;
  }
};

const DownloadResult kOk{true, L""};
DownloadResult Failed(const std::wstring& text) { return {false, text}; }

struct FallbackCase {
  const char* name;
  UrlPair urls;
  std::wstring fileName;
  std::deque<DownloadResult> winHttp;
  std::deque<DownloadResult> winInet;
  bool ok;
  std::wstring errorText;
  std::vector<std::wstring> log;
};

void PrintTo(const FallbackCase& c, std::ostream* os) { *os << c.name; }

class DownloadFallbackTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(DownloadFallbackTest, RunsTheStepsInOrderAndCollectsTheTexts) {
  const FallbackCase& c = GetParam();
  ScriptedSteps steps;
  steps.winHttp = c.winHttp;
  steps.winInet = c.winInet;
  const DownloadResult result = RunDownloadFallback(c.urls, c.fileName, steps);
  EXPECT_EQ(result.ok, c.ok);
  EXPECT_EQ(result.errorText, c.errorText);
  EXPECT_EQ(steps.log, c.log);
  EXPECT_TRUE(steps.winHttp.empty() && steps.winInet.empty()) << "scripted results left over";
}

const std::wstring kA = L"https://a.test/f/one.exe";
const std::wstring kB = L"http://b.test/f/two.exe";

INSTANTIATE_TEST_SUITE_P(
    Sequences, DownloadFallbackTest,
    ::testing::Values(
        FallbackCase{"WinHttpSucceedsAtOnce", {kA, kB}, L"", {kOk}, {}, true, L"",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe"}},
        FallbackCase{"WinInetRescuesThePrimaryUrl",
                     {kA, kB}, L"", {Failed(L"[WINHTTP] h1")}, {kOk}, true, L"",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\one.exe"}},
        FallbackCase{"BothFailWithoutFallbackUrl",
                     {kA, L""}, L"", {Failed(L"[WINHTTP] h1")}, {Failed(L"[WININET] i1")},
                     false, L"[WINHTTP] h1 [WININET] i1 ",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\one.exe",
                      L"remove C:\\w\\one.exe"}},
        FallbackCase{"FallbackUrlWithWinHttp",
                     {kA, kB}, L"", {Failed(L"[WINHTTP] h1"), kOk}, {Failed(L"[WININET] i1")},
                     true, L"",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\one.exe",
                      L"remove C:\\w\\one.exe", L"path from url " + kB, L"wait 500",
                      L"winhttp " + kB + L" > C:\\w\\two.exe"}},
        FallbackCase{"FallbackUrlWithWinInet",
                     {kA, kB}, L"", {Failed(L"[WINHTTP] h1"), Failed(L"[WINHTTP] h2")},
                     {Failed(L"[WININET] i1"), kOk}, true, L"",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\one.exe",
                      L"remove C:\\w\\one.exe", L"path from url " + kB, L"wait 500",
                      L"winhttp " + kB + L" > C:\\w\\two.exe", L"wait 1500",
                      L"wininet " + kB + L" > C:\\w\\two.exe"}},
        FallbackCase{"EverythingFails",
                     {kA, kB}, L"", {Failed(L"[WINHTTP] h1"), Failed(L"[WINHTTP] h2")},
                     {Failed(L"[WININET] i1"), Failed(L"[WININET] i2")}, false,
                     L"[WINHTTP] h1 [WININET] i1 [FALLBACK] [WINHTTP] h2 [FALLBACK] [WININET] i2",
                     {L"path from url " + kA, L"winhttp " + kA + L" > C:\\w\\one.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\one.exe",
                      L"remove C:\\w\\one.exe", L"path from url " + kB, L"wait 500",
                      L"winhttp " + kB + L" > C:\\w\\two.exe", L"wait 1500",
                      L"wininet " + kB + L" > C:\\w\\two.exe", L"remove C:\\w\\two.exe"}},
        FallbackCase{"GivenNameServesBothUrls",
                     {kA, kB}, L"Pellio.exe", {Failed(L"[WINHTTP] h1"), Failed(L"[WINHTTP] h2")},
                     {Failed(L"[WININET] i1"), Failed(L"[WININET] i2")}, false,
                     L"[WINHTTP] h1 [WININET] i1 [FALLBACK] [WINHTTP] h2 [FALLBACK] [WININET] i2",
                     {L"path from name Pellio.exe", L"winhttp " + kA + L" > C:\\w\\Pellio.exe",
                      L"wait 1500", L"wininet " + kA + L" > C:\\w\\Pellio.exe",
                      L"remove C:\\w\\Pellio.exe", L"wait 500",
                      L"winhttp " + kB + L" > C:\\w\\Pellio.exe", L"wait 1500",
                      L"wininet " + kB + L" > C:\\w\\Pellio.exe", L"remove C:\\w\\Pellio.exe"}}),
    [](const ::testing::TestParamInfo<FallbackCase>& info) { return info.param.name; });

}  // namespace
