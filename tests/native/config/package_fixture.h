// Packages over fakes: settings with known identity values, a scripted
// analytics transport that can hold its callers at a gate, recorded pauses,
// and a download manager over the scripted web for pictures.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../../shared/json_support.h"

#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "config/package.h"
#include "config/vellam_exception.h"
#include "events/event_template.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_crypto.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_registry.h"
#include "fakes/scripted_web.h"
#include "install/download_manager.h"
#include "../../shared/pause_log.h"

// The analytics server as the senders see it: answers in turn (the last
// repeats), each a status or a thrown VellamException (network failure).
// While the gate is closed every call waits at it.
class ScriptedSender : public JsonSender {
 public:
  static constexpr std::uint32_t kThrow = 0xFFFFFFFFu;

  struct Call {
    std::wstring url;
    std::string body;
    HeaderList headers;
  };

  void Script(std::vector<std::uint32_t> answers) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_ = std::move(answers);
    next_ = 0;
  }
  void CloseGate() {
    std::lock_guard<std::mutex> lock(mutex_);
    gateOpen_ = false;
  }
  void OpenGate() {
    std::lock_guard<std::mutex> lock(mutex_);
    gateOpen_ = true;
    changed_.notify_all();
  }
  // Blocks until `count` calls have reached the gate or passed it.
  void WaitForCallers(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return arrived_ >= count; });
  }
  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

  bool SendJson(const std::wstring& url, const std::string& body, const HeaderList& headers,
                std::string& response, std::uint32_t& status) override {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return gateOpen_; });
    calls_.push_back({url, body, headers});
    const std::uint32_t answer =
        answers_.empty() ? 200 : answers_[next_ < answers_.size() ? next_++ : answers_.size() - 1];
    if (answer == kThrow) throw VellamException();
    response = "{}";
    status = answer;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gateOpen_ = true;
  std::size_t arrived_ = 0;
  std::vector<std::uint32_t> answers_;
  std::size_t next_ = 0;
  std::vector<Call> calls_;
};


// A stand-in decoder: remembers the bytes and hands out a marker picture
// (DecodedPicture is the Win32 side's; only its identity matters here).
class RecordingDecoder {
 public:
  bool fails = false;

  std::shared_ptr<DecodedPicture> Decode(const std::uint8_t* data, std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    decoded_.emplace_back(reinterpret_cast<const char*>(data), size);
    if (fails) return nullptr;
    return Marker();
  }
  std::shared_ptr<DecodedPicture> Marker() {
    return std::shared_ptr<DecodedPicture>(std::shared_ptr<void>(),
                                           reinterpret_cast<DecodedPicture*>(&marker_));
  }
  std::vector<std::string> Decoded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return decoded_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> decoded_;
  int marker_ = 0;
};

class PackageFixture : public ::testing::Test {
 protected:
  static constexpr const char* kGuid = "guid-1";
  static constexpr const char* kSession = "20250101120000";

  // Declared before every package a test makes, so they outlive its senders.
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  FakeCrypto crypto;
  ScriptedSender sender;
  PauseLog pauses;
  RecordingDecoder decoder;
  ScriptedWeb web;
  FakeWinHttp http{web};
  FakeWinInet inet{web};
  FakeFileStreams streams{files};
  FakeSystemMessages messages;
  std::shared_ptr<ConfigurationManager> settings;
  std::shared_ptr<DownloadManager> downloads;
  std::shared_ptr<PackageServices> services;

  void SetUp() override {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.productTitle = L"Pellio Classic";
    constants.configHost = L"cdn.test";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->machineGuid = kGuid;
    settings->sessionId = kSession;
    settings->countryCode = "US";
    settings->pubId = "pub7";
    settings->ispb = "isp3";
    for (std::uint8_t i = 0; i < 16; ++i) crypto.digest[i] = static_cast<std::uint8_t>(i + 1);
    downloads = std::make_shared<DownloadManager>(
        settings, DownloadPlatform{http, inet, files, streams, system, messages, dialogs, clock});
    services = std::make_shared<PackageServices>(PackageServices{
        *settings, system, codePages, crypto, clock, registry, sender,
        [this](std::uint32_t milliseconds) { pauses.Add(milliseconds); }, downloads.get(),
        [this](const std::uint8_t* data, std::size_t size) { return decoder.Decode(data, size); }});
  }

  static JsonValue BaseOffer() {
    return ParseJson(R"({"ad": {"f": "feed9", "o": "offer42"},
        "ps": {"i": "Nimbus", "dn": "Nimbus Backup", "u": "https://files.test/nimbus.exe"}})");
  }
  // The base offer with `ps` members added or replaced.
  static JsonValue OfferWith(const std::string& ps) {
    JsonValue offer = BaseOffer();
    Update(offer["ps"], ParseJson(ps));
    return offer;
  }

  std::shared_ptr<Package> MakeOffer(const JsonValue& offer, std::int32_t index = 0,
                                     const EventTemplate& eventTemplate = EventTemplate()) {
    return std::make_shared<Package>(services, eventTemplate, offer, false, "", index);
  }
  std::shared_ptr<Package> MakeMain(const EventTemplate& eventTemplate = EventTemplate()) {
    return std::make_shared<Package>(services, eventTemplate, true, 0, L"PellioClassic", L"flow1",
                                     L"Pellio Classic", L"chan1");
  }
};
