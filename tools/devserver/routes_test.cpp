// The reference server seen from outside, as the installer's tests rely on
// it: scripted answers, logs, report checks, file routes and faults. Run by
// tools/devserver/serve (see native.cmake), which sets VELLAM_DEVSERVER_*.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

int HttpsPort() { return std::atoi(Env("VELLAM_DEVSERVER_HTTPS_PORT").c_str()); }
int HttpPort() { return std::atoi(Env("VELLAM_DEVSERVER_HTTP_PORT").c_str()); }

std::vector<json> LogLines(const std::string& name) {
  std::ifstream in(Env("VELLAM_DEVSERVER_LOGS") + "/" + name);
  std::vector<json> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(json::parse(line));
  return lines;
}

std::vector<json> LogLinesFor(const std::string& name, const std::string& path) {
  std::vector<json> matching;
  for (json& line : LogLines(name)) {
    if (line["path"] == path) matching.push_back(line);
  }
  return matching;
}

std::string Sha256Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 15];
  }
  return hex;
}

class DevServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env("VELLAM_DEVSERVER_LOGS").empty()) << "run through tools/devserver/serve";
    https_.set_ca_cert_path((Env("VELLAM_DEVSERVER_CERTS") + "/ca.pem").c_str());
    https_.enable_server_certificate_verification(true);
  }

  // Replaces the scenario (attempt counts start again).
  void Scenario(const json& scenario) {
    auto result = http_.Post("/_scenario", scenario.dump(), "application/json");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
  }

  httplib::SSLClient https_{"localhost", HttpsPort()};
  httplib::Client http_{"localhost", HttpPort()};
};

TEST_F(DevServer, AnswersConfigurationRequestsPerAttemptAndLogsThemExactly) {
  Scenario({{"config",
             {{"/o/t1",
               {{{"status", 503}, {"body", "<html>busy</html>"}, {"content_type", "text/html"}},
                {{"status", 200}, {"json", {{"l", "US"}}}}}}}}});
  const std::string body = std::string("{\"k\":\"v\xC3\xA9\"}") + '\x01' + '\0' + 'z';
  const std::vector<std::pair<int, std::string>> expected = {
      {503, "<html>busy</html>"}, {200, "{\"l\":\"US\"}"}, {200, "{\"l\":\"US\"}"}};
  for (const auto& [status, answer] : expected) {
    auto result = https_.Post("/o/t1?ignored=1", {{"Authorization", "Signature=ab"}}, body,
                              "application/json");
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, status);
    EXPECT_EQ(result->body, answer);
  }
  const std::vector<json> logged = LogLinesFor("config-requests.jsonl", "/o/t1");
  ASSERT_EQ(logged.size(), 3u);
  for (std::size_t i = 0; i < logged.size(); ++i) {
    EXPECT_EQ(logged[i]["attempt"], i + 1);
    EXPECT_EQ(logged[i]["scheme"], "https");
    EXPECT_EQ(logged[i]["target"], "/o/t1?ignored=1");
    EXPECT_EQ(logged[i]["body_hex"], "7b226b223a2276c3a9227d01007a");
    EXPECT_EQ(logged[i]["body_length"], 14);
    EXPECT_EQ(logged[i]["status"], expected[i].first);
  }
  EXPECT_NE(logged[0]["headers"].dump().find("[\"Authorization\",\"Signature=ab\"]"),
            std::string::npos);

  auto unscripted = https_.Post("/o/none", "{}", "application/json");
  ASSERT_TRUE(unscripted);
  EXPECT_EQ(unscripted->status, 404);
}

// A raw exchange on the plain port: what the server writes back, byte for byte.
std::string RawExchange(const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(HttpPort()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return "";
  }
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  ::shutdown(fd, SHUT_WR);
  std::string answer;
  char buffer[4096];
  ssize_t count;
  while ((count = ::recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, count);
  ::close(fd);
  return answer;
}

TEST_F(DevServer, ExpectContinueGetsOnlyTheFinalAnswerAndIsStillLogged) {
  Scenario({{"config", {{"/o/t2", {{{"status", 200}, {"json", {{"ok", true}}}}}}}}});
  const std::string answer = RawExchange(
      "POST /o/t2 HTTP/1.1\r\nHost: localhost\r\nExpect: 100-continue\r\n"
      "Content-Type: application/json\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 ", 0), 0u) << answer;
  EXPECT_EQ(answer.find("100 Continue"), std::string::npos) << answer;
  const std::vector<json> logged = LogLinesFor("config-requests.jsonl", "/o/t2");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0]["headers"].dump().find("[\"Expect\",\"100-continue\"]"), std::string::npos)
      << logged[0]["headers"].dump();
}

std::string ReportBody(const json& payload) {
  return json{{"data", payload.dump()}, {"table", "zb_analytics"}}.dump();
}

TEST_F(DevServer, ChecksAnalyticsReportsAndLogsTheDecodedPayload) {
  Scenario({{"events", {{{"status", 500}}, {{"status", 200}}}}});
  const json payload = {{"1", "guid"}, {"2", "20250101120000"}, {"6", "3"}, {"15", 0}};
  const std::string good = "Signature=" + Sha256Hex("guid20250101120000");

  struct Case {
    std::string body;
    std::string authorization;
    int status;
  };
  const Case cases[] = {
      {ReportBody(payload), good, 500},  // accepted, scripted status
      {ReportBody(payload), good, 200},
      {ReportBody(payload), "Signature=" + Sha256Hex("guid|20250101120000"), 401},
      {ReportBody(payload), "", 401},
      {"{\"data\": \"{}\", \"table\": \"zb_analytics\"}", good, 400},  // not compact
      {json{{"data", payload}, {"table", "zb_analytics"}}.dump(), good, 400},  // not a string
      {json{{"data", payload.dump()}, {"table", "other"}}.dump(), good, 400},
      {ReportBody({{"1", "guid"}}), good, 400},  // no "2"
      {"not json", good, 400},
  };
  for (const Case& c : cases) {
    httplib::Headers headers;
    if (!c.authorization.empty()) headers.emplace("Authorization", c.authorization);
    auto result = https_.Post("/zbd", headers, c.body, "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, c.status) << c.body << " / " << c.authorization;
  }
  const std::vector<json> accepted = LogLines("events.jsonl");
  ASSERT_GE(accepted.size(), 2u);
  EXPECT_EQ(accepted.back()["data"], payload);
  EXPECT_EQ(accepted.back()["authorization"], good);
  EXPECT_GE(LogLines("rejected-events.jsonl").size(), 7u);
}

TEST_F(DevServer, ScriptedGetRedirectsAbsolutely) {
  Scenario({{"get", {{"/endpoint/x", {{"redirect", "/f/generated/3/a.bin"}}}}}});
  auto result = http_.Get("/endpoint/x");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 302);
  EXPECT_EQ(result->get_header_value("Location"),
            "http://localhost:" + std::to_string(HttpPort()) + "/f/generated/3/a.bin");
  EXPECT_EQ(http_.Get("/nothing/here")->status, 404);
}

std::string Generated(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

TEST_F(DevServer, RedirectChainsCountDownToTheSource) {
  std::string path = "/f/redirect/3/generated/1000/x.bin";
  for (int hop = 3; hop > 0; --hop) {
    auto result = https_.Get(path.c_str());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 302);
    const std::string location = result->get_header_value("Location");
    const std::string origin = "https://localhost";
    ASSERT_EQ(location.rfind(origin, 0), 0u) << location;
    path = location.substr(location.find('/', origin.size()));
  }
  EXPECT_EQ(path, "/f/generated/1000/x.bin");
  auto result = https_.Get(path.c_str());
  ASSERT_TRUE(result);
  EXPECT_EQ(result->body, Generated(1000));
  EXPECT_EQ(https_.Get("/f/redirect-307/1/x")->status, 307);
}

TEST_F(DevServer, BrokenRedirects) {
  auto none = http_.Get("/f/no-location/x");
  EXPECT_EQ(none->status, 302);
  EXPECT_FALSE(none->has_header("Location"));
  auto relative = http_.Get("/f/relative-location/generated/5/x");
  EXPECT_EQ(relative->get_header_value("Location"), "/f/generated/5/x");
  auto longer = http_.Get("/f/long-location/generated/5/x");
  const std::string location = longer->get_header_value("Location");
  EXPECT_GT(location.size(), 300u);
  auto followed = http_.Get(location.substr(location.find("/f/")).c_str());
  ASSERT_TRUE(followed);
  EXPECT_EQ(followed->body, Generated(5));
}

TEST_F(DevServer, RelativeAndCrossSchemeRedirects) {
  // A relative-path Location leads back to /f/ from however deep the request is.
  auto relative = https_.Get("/f/pad/x/relative-path-location/generated/5/r.bin");
  ASSERT_TRUE(relative);
  EXPECT_EQ(relative->status, 302);
  EXPECT_EQ(relative->get_header_value("Location"), "../../../../../generated/5/r.bin");
  auto shallow = http_.Get("/f/relative-path-location/x.bin");
  EXPECT_EQ(shallow->get_header_value("Location"), "../x.bin");

  auto schemeRelative = https_.Get("/f/scheme-relative-location/generated/5/s.bin");
  ASSERT_TRUE(schemeRelative);
  EXPECT_EQ(schemeRelative->get_header_value("Location"),
            "//localhost:" + std::to_string(HttpsPort()) + "/f/generated/5/s.bin");

  // From the HTTPS listener down to the plain one, and back up.
  auto down = https_.Get("/f/to-http/generated/5/d.bin");
  ASSERT_TRUE(down);
  EXPECT_EQ(down->status, 302);
  const std::string plain = "http://localhost:" + std::to_string(HttpPort()) + "/f/";
  EXPECT_EQ(down->get_header_value("Location"), plain + "generated/5/d.bin");
  auto followed = http_.Get("/f/generated/5/d.bin");
  ASSERT_TRUE(followed);
  EXPECT_EQ(followed->body, Generated(5));
  auto up = http_.Get("/f/to-https/to-http/x");
  EXPECT_EQ(up->get_header_value("Location"),
            "https://localhost:" + std::to_string(HttpsPort()) + "/f/to-http/x");
}

TEST_F(DevServer, TransferFaults) {
  auto status = http_.Get("/f/status/418/x");
  EXPECT_EQ(status->status, 418);

  auto noLength = http_.Get("/f/no-length/generated/70000/x");
  ASSERT_TRUE(noLength);
  EXPECT_FALSE(noLength->has_header("Content-Length"));
  EXPECT_EQ(noLength->body, Generated(70000));

  auto chunked = https_.Get("/f/chunked/generated/70000/x");
  ASSERT_TRUE(chunked);
  EXPECT_EQ(chunked->get_header_value("Transfer-Encoding"), "chunked");
  EXPECT_EQ(chunked->body, Generated(70000));

  std::string partial;
  std::string announced;
  auto truncated = http_.Get(
      "/f/truncate/600/generated/1000/x",
      [&](const httplib::Response& response) {
        announced = response.get_header_value("Content-Length");
        return true;
      },
      [&](const char* data, size_t length) {
        partial.append(data, length);
        return true;
      });
  EXPECT_FALSE(truncated);
  EXPECT_EQ(announced, "1000");
  EXPECT_EQ(partial, Generated(600));

  auto slow = http_.Get("/f/slow/40000/generated/4000/x");
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->body, Generated(4000));
}

TEST_F(DevServer, FailFirstFailsOncePerKey) {
  EXPECT_EQ(http_.Get("/f/fail-first/k1/generated/10/x")->status, 503);
  auto second = https_.Get("/f/fail-first/k1/generated/10/x");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->status, 200);
  EXPECT_EQ(second->body, Generated(10));
  EXPECT_EQ(http_.Get("/f/fail-first/k2/generated/10/x")->status, 503);
}

TEST_F(DevServer, FilesFromTheFolderAndNothingOutsideIt) {
  auto picture = https_.Get("/f/NimbusBackup");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->status, 200);
  EXPECT_EQ(picture->body.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(https_.Get("/f/missing-file")->status, 404);
  EXPECT_EQ(http_.Get("/f/%2e%2e/%2e%2e/etc/passwd")->status, 403);
}

TEST_F(DevServer, LargeGeneratedFileStreams) {
  std::size_t received = 0;
  bool matches = true;
  auto result = https_.Get("/f/generated/67108864/big.bin", [&](const char* data, size_t length) {
    for (size_t i = 0; i < length && matches; ++i) {
      matches = static_cast<unsigned char>(data[i]) == (received + i) % 251;
    }
    received += length;
    return true;
  });
  ASSERT_TRUE(result);
  EXPECT_EQ(result->get_header_value("Content-Length"), "67108864");
  EXPECT_EQ(received, 67108864u);
  EXPECT_TRUE(matches);
}

TEST_F(DevServer, PortInUseIsAnError) {
  const std::string server = Env("VELLAM_DEVSERVER_BINARY");
  if (server.empty()) GTEST_SKIP() << "VELLAM_DEVSERVER_BINARY not set";
  const std::string command = server + " --logs " + Env("VELLAM_DEVSERVER_LOGS") +
                              "/second --https-port 0 --http-port " +
                              std::to_string(HttpPort()) + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST_F(DevServer, InvalidScenarioIsRefused) {
  auto result = http_.Post("/_scenario", "{\"config\":{\"/x\":[{}]}}", "application/json");
  EXPECT_EQ(result->status, 400);
  result = http_.Post("/_scenario", "{\"config\":{\"/o\":[]}}", "application/json");
  EXPECT_EQ(result->status, 400);
}

}  // namespace
