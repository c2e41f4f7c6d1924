// A DownloadManager over the scripted web, in-memory files and a fake clock,
// with a work folder and a download folder that exist.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "fakes/scripted_web.h"
#include "install/download_manager.h"
#include "support/test_constants.h"

class DownloadFixture : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kWork = L"C:\\Temp\\ISVA1.tmp";
  static constexpr const wchar_t* kDownloads = L"C:\\Users\\u\\Downloads";

  ScriptedWeb web;
  FakeWinHttp http{web};
  FakeWinInet inet{web};
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeSystemMessages messages;
  FakeDialogs dialogs;
  FakeClock clock;
  RecordingProgress progress;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<DownloadManager> manager;

  void SetUp() override {
    settings = std::make_shared<ConfigurationManager>(
        TestConstants(), ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->workFolder = kWork;
    settings->downloadFolder = kDownloads;
    files.directories = {kWork, kDownloads};
    files.files.clear();
    clock.waits.clear();
    manager = std::make_shared<DownloadManager>(
        settings,
        DownloadPlatform{http, inet, files, streams, system, messages, dialogs, clock});
  }

  std::wstring InWork(const std::wstring& name) const { return std::wstring(kWork) + L"\\" + name; }
  std::string Content(const std::wstring& path) { return streams.contents[path]; }
  static std::wstring Text(std::uint32_t code) {
    return std::to_wstring(code) + L" - <text of " + std::to_wstring(code) + L">\r\n";
  }
  // Windows versions as RtlGetVersion reports them.
  void RunOn(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePack) {
    system.osVersion = {major, minor, 7601, servicePack};
  }
};

// A body of n bytes that differ from one position to the next.
inline std::string Body(std::size_t n) {
  std::string body(n, '\0');
  for (std::size_t i = 0; i < n; ++i) body[i] = static_cast<char>(i % 251);
  return body;
}
