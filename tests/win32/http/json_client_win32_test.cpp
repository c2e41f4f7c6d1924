// The JSON client and the configuration request over the real WinHTTP and
// TLS, against the reference server (started by this area's ctest.cmake).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "json/json_parser.h"
#include "json/json_value.h"
#include "../../shared/json_support.h"

#include "config/api_manager.h"
#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "config/vellam_exception.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winhttp_api.h"

namespace {

namespace w = platform::win32;

// The server's log of configuration requests, read through Wine's Z: drive.
std::vector<JsonValue> ReceivedRequests(const std::string& path) {
  const char* logs = std::getenv("VELLAM_DEVSERVER_LOGS");
  if (!logs) return {};
  std::string file = std::string("Z:") + logs + "/config-requests.jsonl";
  for (char& c : file) {
    if (c == '/') c = '\\';
  }
  std::ifstream in(file, std::ios::binary);
  std::vector<JsonValue> requests;
  std::string line;
  while (std::getline(in, line)) {
    JsonValue entry = ParseJson(line);
    if (entry["path"] == path) requests.push_back(entry);
  }
  return requests;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

std::vector<std::string> HeaderValues(const JsonValue& request, const std::string& name) {
  std::vector<std::string> values;
  for (const JsonValue& pair : request["headers"].Elements()) {
    if (_stricmp(pair.Elements().at(0).String().c_str(), name.c_str()) == 0) {
      values.push_back(pair.Elements().at(1).String());
    }
  }
  return values;
}

class JsonClientWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("VELLAM_DEVSERVER_LOGS"), nullptr)
        << "run through tools/devserver/serve (see tests/win32/http/ctest.cmake)";
    ASSERT_NE(w::WinHttpApi(), nullptr);
  }

  std::string diagnostics;  // the lines received, each with a line break
  HttpJsonClient client{w::RealWinHttp(), w::RealSystemInfo(),
                        [this](const std::string& line) { diagnostics += line + "\n"; }};
  std::string response;
  std::uint32_t status = 0;
};

TEST_F(JsonClientWin32, PostsTheExactBodyWithTheHeadersOverTls) {
  const std::string body = "{\"a\":\"Varnex\",\"u\":\"caf\xC3\xA9\"}";
  ASSERT_TRUE(client.SendJson(L"https://localhost/o/echo", body,
                              {{L"Authorization", L"Signature=0123abcd"}}, response, status));
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(response, "{\"ok\":true}");
  EXPECT_EQ(diagnostics, "");

  const std::vector<JsonValue> received = ReceivedRequests("/o/echo");
  ASSERT_EQ(received.size(), 1u);
  const JsonValue& request = received[0];
  EXPECT_EQ(request["scheme"], "https");
  EXPECT_EQ(request["method"], "POST");
  EXPECT_EQ(request["body_hex"], Hex(body));
  EXPECT_EQ(HeaderValues(request, "Authorization"), std::vector<std::string>{"Signature=0123abcd"});
  EXPECT_EQ(HeaderValues(request, "Expect"), std::vector<std::string>{"100-continue"});
  EXPECT_EQ(HeaderValues(request, "Content-Type"), std::vector<std::string>{"application/json"});
}

TEST_F(JsonClientWin32, QueryStringSchemeAndPortOfTheUrlAreIgnored) {
  for (const wchar_t* url : {L"https://localhost:9/o/down?x=1&y=2#frag", L"http://localhost/o/down",
                             L"http://localhost:8080/o/down?z"}) {
    response.clear();
    status = 0;
    ASSERT_TRUE(client.SendJson(url, "{}", {}, response, status));
    EXPECT_EQ(status, 500u) << "an error status is an answer";
    EXPECT_EQ(response, "{\"error\":\"down\"}");
  }
  const std::vector<JsonValue> received = ReceivedRequests("/o/down");
  ASSERT_EQ(received.size(), 3u);
  for (const JsonValue& request : received) {
    EXPECT_EQ(request["scheme"], "https");
    EXPECT_EQ(request["target"], "/o/down");
  }
}

TEST_F(JsonClientWin32, HeaderTheSystemRefusesIsSkipped) {
  // A header without a name is not a header; WinHTTP refuses the line.
  ASSERT_TRUE(client.SendJson(L"https://localhost/o/echo", "{}",
                              {{L"", L"nameless"}, {L"X-Kept", L"yes"}}, response, status));
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(diagnostics.rfind("WinHttpAddRequestHeaders error: ", 0), 0u)
      << diagnostics;
  const std::vector<JsonValue> received = ReceivedRequests("/o/echo");
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(HeaderValues(received.back(), "X-Kept"), std::vector<std::string>{"yes"});
  EXPECT_EQ(HeaderValues(received.back(), "Content-Type"),
            std::vector<std::string>{"application/json"});
}

TEST_F(JsonClientWin32, ZeroBytesCutTheBodyBothWays) {
  ASSERT_TRUE(client.SendJson(L"https://localhost/o/zero", std::string("{\"k\":1}\0tail", 12), {},
                              response, status));
  EXPECT_EQ(response, "{\"a\":1}");
  const std::vector<JsonValue> received = ReceivedRequests("/o/zero");
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0]["body"], "{\"k\":1}");
  EXPECT_EQ(received[0]["body_length"], 7);
}

TEST_F(JsonClientWin32, UnreachableServerThrows) {
  // Nothing listens on this loopback address.
  EXPECT_THROW(client.SendJson(L"https://127.0.0.2/o", "{}", {}, response, status),
               VellamException);
  EXPECT_THROW(client.SendJson(L"not a url", "{}", {}, response, status), VellamException);
}

// Waits nothing: the attempts' 5-second pauses are only counted.
class CountingClock final : public platform::Clock {
 public:
  std::vector<std::uint32_t> waits;
  std::int64_t UnixSeconds() override { return w::RealClock().UnixSeconds(); }
  std::int64_t UnixMillis() override { return w::RealClock().UnixMillis(); }
  bool ToLocalTime(std::int64_t seconds, std::tm& local) override {
    return w::RealClock().ToLocalTime(seconds, local);
  }
  void Wait(std::uint32_t milliseconds) override { waits.push_back(milliseconds); }
};

// The real system, but with another name for the running executable: the
// download code comes from that name, and renaming the test program itself
// would break its ctest registration.
class RenamedExecutable final : public platform::SystemInfo {
 public:
  explicit RenamedExecutable(std::wstring path) : path_(std::move(path)) {}
  bool QueryOsVersion(platform::OsVersion& version) override {
    return real_.QueryOsVersion(version);
  }
  bool QueryWow64(bool& wow64) override { return real_.QueryWow64(wow64); }
  std::wstring OwnExecutablePath() override { return path_; }
  bool QueryOwnFileVersion(platform::FileVersion& version) override {
    return real_.QueryOwnFileVersion(version);
  }
  bool DownloadsFolder(std::wstring& path) override { return real_.DownloadsFolder(path); }
  bool CsidlFolder(int csidl, std::wstring& path) override {
    return real_.CsidlFolder(csidl, path);
  }
  bool VersionAtLeast(std::uint32_t major, std::uint32_t minor,
                      std::uint16_t servicePack) override {
    return real_.VersionAtLeast(major, minor, servicePack);
  }

 private:
  platform::SystemInfo& real_ = w::RealSystemInfo();
  std::wstring path_;
};

class ConfigurationRequestWin32 : public JsonClientWin32 {
 protected:
  void TearDown() override {
    if (settings_ && !settings_->workFolder.empty()) RemoveDirectoryW(settings_->workFolder.c_str());
  }

  JsonValue Fetch(const std::wstring& url, platform::SystemInfo& system = w::RealSystemInfo()) {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.publisher = L"Varnex";
    constants.stubId = L"PellioClassic_VLM";
    constants.configHost = L"localhost";
    settings_ = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                         w::RealClock(), w::RealDialogs()});
    settings_->configUrl = url;
    settings_->localeName = L"de-DE";
    settings_->publisher = publisher_;
    ApiManager api([this] { return settings_; },
                   ApiPlatform{client, system, w::RealCodePages(), clock_});
    return api.GetConfiguration();
  }

  CountingClock clock_;
  std::shared_ptr<ConfigurationManager> settings_;
  std::wstring publisher_ = L"Varnex";
};

TEST_F(ConfigurationRequestWin32, BusyAnswerThenTheConfiguration) {
  const JsonValue document = Fetch(L"https://localhost/o/retry");
  EXPECT_EQ(document, ParseJson("{\"l\":\"US\",\"f\":{\"a\":\"pub1\",\"m\":2},\"o\":[]}"));
  EXPECT_EQ(clock_.waits, std::vector<std::uint32_t>{5000});

  const std::vector<JsonValue> received = ReceivedRequests("/o/retry");
  ASSERT_EQ(received.size(), 2u);
  const JsonValue body = ParseJson(received[0]["body"].String());
  EXPECT_EQ(body["l"], "de");
  EXPECT_EQ(body["prv"], "0.1");
  EXPECT_EQ(body["a"], "Varnex");
  EXPECT_EQ(body["o"].String().empty(), false);
  EXPECT_EQ(received[0]["body"], CompactJson(body)) << "compact, keys in order";
  EXPECT_EQ(received[1]["body"], received[0]["body"]);
}

TEST_F(ConfigurationRequestWin32, ThreeNotFoundAnswersStillGiveTheirJson) {
  const JsonValue document = Fetch(L"https://localhost/o/missing");
  EXPECT_EQ(document, ParseJson("{\"l\":\"DE\",\"o\":[]}"));
  EXPECT_EQ(clock_.waits, std::vector<std::uint32_t>(3, 5000));
  EXPECT_EQ(ReceivedRequests("/o/missing").size(), 3u);
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsUtf8(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  return text.empty() || length > 0;
}

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

TEST_F(ConfigurationRequestWin32, NonAsciiNamesReachTheServerAsUtf8) {
  // What the ANSI code page made of these used to stop the request before
  // it was sent (the JSON library refuses to write bytes that are not UTF-8).
  RenamedExecutable renamed(L"C:\\Users\\u\\Downloads\\Pellio_ab1-cd\u00e9.exe");
  publisher_ = L"V\u00e4rnex \u4e2d";
  ASSERT_NO_THROW(Fetch(L"https://localhost/o/echo", renamed));
  const std::vector<JsonValue> received = ReceivedRequests("/o/echo");
  ASSERT_FALSE(received.empty());
  const std::string body = FromHex(received.back()["body_hex"].String());
  EXPECT_TRUE(IsUtf8(body)) << received.back()["body_hex"].String();
  const JsonValue sent = ParseJson(body);
  EXPECT_EQ(sent["u"], "ab1-cd\xC3\xA9");
  EXPECT_EQ(sent["a"], "V\xC3\xA4rnex \xE4\xB8\xAD");
  EXPECT_EQ(sent["i"], "PellioClassic");
}

}  // namespace
