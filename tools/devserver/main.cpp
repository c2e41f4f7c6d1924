// The reference server: HTTPS (default port 443) and plain HTTP (default
// 8080) on the loopback addresses, answering
//   POST /o, /o/...   configuration requests, from the scenario
//   POST /zbd         analytics events, checked and logged
//   GET  /f/...       files and scripted faults (file_routes.cpp)
//   GET  other paths  from the scenario's "get" table
//   GET  /_health     readiness probe
//   POST /_scenario   replaces the scenario (and restarts its attempt counts)
// See README.md for the scenario format and the logs.
#include <openssl/evp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "connection.h"
#include "devserver.h"

namespace devserver {

using nlohmann::json;

JsonLinesLog::JsonLinesLog(const std::string& path) : out_(path, std::ios::app | std::ios::binary) {}

void JsonLinesLog::Append(const json& line) {
  const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace);
  std::lock_guard<std::mutex> lock(mutex_);
  out_ << text << '\n';
  out_.flush();
}

std::string RequestOrigin(const httplib::Request& request, const Listener& listener) {
  std::string host = request.get_header_value("Host");
  if (host.empty()) {
    host = "localhost";
    if (listener.port != (listener.secure ? 443 : 80)) host += ":" + std::to_string(listener.port);
  }
  return (listener.secure ? "https://" : "http://") + host;
}

std::string HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

json HeaderPairs(const httplib::Headers& headers) {
  json pairs = json::array();
  std::vector<std::pair<std::string, std::string>> received;
  for (const auto& [name, value] : headers) {
    // The server library adds the socket's addresses as pseudo-headers.
    if (name == "LOCAL_ADDR" || name == "LOCAL_PORT" || name == "REMOTE_ADDR" ||
        name == "REMOTE_PORT") {
      continue;
    }
    received.emplace_back(name == kReceivedExpectHeader ? "Expect" : name, value);
  }
  const auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::stable_sort(received.begin(), received.end(), [&](const auto& a, const auto& b) {
    return lower(a.first) < lower(b.first);
  });
  for (const auto& [name, value] : received) pairs.push_back({name, value});
  return pairs;
}

std::int64_t NowMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

namespace {

struct Options {
  int httpsPort = 443;
  int httpPort = 8080;
  std::string certs;
  std::string logs;
  std::string scenario;
  std::string files;
  std::vector<std::string> addresses;
  bool exitWithParent = false;
  bool sendContinue = false;
};

std::string Sha256Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  return HexBytes(std::string(reinterpret_cast<char*>(digest), length));
}

// One scripted answer: status, body, extra headers, delay.
struct Answer {
  int status = 200;
  std::string body;
  std::string contentType = "application/json";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string redirect;  // absolute, or a path made absolute with the request's origin
  std::string file;      // relative to the files folder ("get" entries)
  int delayMs = 0;
};

Answer ParseAnswer(const json& entry) {
  if (!entry.is_object()) throw std::runtime_error("an answer must be an object: " + entry.dump());
  Answer answer;
  answer.status = entry.value("status", 200);
  if (entry.contains("json")) {
    answer.body = entry["json"].dump();
  } else if (entry.contains("body")) {
    answer.body = entry["body"].get<std::string>();
  }
  answer.contentType = entry.value("content_type", answer.contentType);
  if (entry.contains("headers")) {
    for (const auto& [name, value] : entry["headers"].items()) {
      answer.headers.emplace_back(name, value.get<std::string>());
    }
  }
  answer.redirect = entry.value("redirect", "");
  if (!answer.redirect.empty() && !entry.contains("status")) answer.status = 302;
  answer.file = entry.value("file", "");
  answer.delayMs = entry.value("delay_ms", 0);
  return answer;
}

std::vector<Answer> ParseAnswers(const json& list, const std::string& where) {
  if (!list.is_array() || list.empty()) {
    throw std::runtime_error(where + " must be a non-empty array of answers");
  }
  std::vector<Answer> answers;
  for (const auto& entry : list) answers.push_back(ParseAnswer(entry));
  return answers;
}

struct Scenario {
  std::map<std::string, std::vector<Answer>> config;  // POST path → answers per attempt
  std::vector<Answer> events;                         // POST /zbd, after the checks pass
  std::map<std::string, Answer> get;                  // GET path → answer
};

Scenario ParseScenario(const json& document) {
  if (!document.is_object()) throw std::runtime_error("the scenario must be a JSON object");
  Scenario scenario;
  if (document.contains("config")) {
    for (const auto& [path, answers] : document["config"].items()) {
      if (path.rfind("/o", 0) != 0) throw std::runtime_error("config paths start with /o: " + path);
      scenario.config[path] = ParseAnswers(answers, "config." + path);
    }
  }
  if (document.contains("events")) scenario.events = ParseAnswers(document["events"], "events");
  if (document.contains("get")) {
    for (const auto& [path, answer] : document["get"].items()) {
      scenario.get[path] = ParseAnswer(answer);
    }
  }
  return scenario;
}

class Routes {
 public:
  Routes(Options options, Scenario scenario)
      : options_(std::move(options)),
        scenario_(std::move(scenario)),
        configLog_(options_.logs + "/config-requests.jsonl"),
        eventLog_(options_.logs + "/events.jsonl"),
        rejectedLog_(options_.logs + "/rejected-events.jsonl"),
        accessLog_(options_.logs + "/access.jsonl") {}

  void Install(httplib::Server& server, const Listener& listener) {
    server.set_logger([this, listener](const httplib::Request& request,
                                       const httplib::Response& response) {
      accessLog_.Append({{"time_ms", NowMillis()},
                         {"scheme", listener.secure ? "https" : "http"},
                         {"method", request.method},
                         {"target", request.target},
                         {"status", response.status}});
    });
    server.Get("/_health", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("ok\n", "text/plain");
    });
    server.Post("/_scenario", [this](const httplib::Request& request, httplib::Response& response) {
      try {
        Scenario next = ParseScenario(json::parse(request.body));
        std::lock_guard<std::mutex> lock(mutex_);
        scenario_ = std::move(next);
        attempts_.clear();
        response.set_content("ok\n", "text/plain");
      } catch (const std::exception& error) {
        response.status = 400;
        response.set_content(std::string(error.what()) + "\n", "text/plain");
      }
    });
    server.Post("/zbd", [this, listener](const httplib::Request& request,
                                         httplib::Response& response) {
      HandleEvent(request, response, listener);
    });
    server.Post("/o(/.*)?", [this, listener](const httplib::Request& request,
                                             httplib::Response& response) {
      HandleConfig(request, response, listener);
    });
    InstallFileRoutes(server, listener, options_.files);
    server.Get("/(.*)", [this, listener](const httplib::Request& request,
                                         httplib::Response& response) {
      HandleScriptedGet(request, response, listener);
    });
  }

 private:
  // The answer for the next attempt on `key`; the last one repeats.
  bool NextAnswer(const std::string& key, const std::vector<Answer>& answers, Answer& answer,
                  int& attempt) {
    attempt = ++attempts_[key];
    answer = answers[std::min<std::size_t>(attempt, answers.size()) - 1];
    return true;
  }

  void Respond(const Answer& answer, const httplib::Request& request, httplib::Response& response,
               const Listener& listener) {
    if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers) response.set_header(name, value);
    if (!answer.redirect.empty()) {
      response.set_header("Location", answer.redirect.front() == '/'
                                          ? RequestOrigin(request, listener) + answer.redirect
                                          : answer.redirect);
    }
    response.set_content(answer.body, answer.contentType);
  }

  void HandleConfig(const httplib::Request& request, httplib::Response& response,
                    const Listener& listener) {
    Answer answer;
    int attempt = 0;
    bool scripted = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto found = scenario_.config.find(request.path);
      if (found != scenario_.config.end()) {
        scripted = NextAnswer("POST " + request.path, found->second, answer, attempt);
      }
    }
    if (!scripted) {
      answer.status = 404;
      answer.body = "no answer scripted for POST " + request.path + "\n";
      answer.contentType = "text/plain";
    }
    configLog_.Append({{"time_ms", NowMillis()},
                       {"scheme", listener.secure ? "https" : "http"},
                       {"method", request.method},
                       {"path", request.path},
                       {"target", request.target},
                       {"headers", HeaderPairs(request.headers)},
                       {"body", request.body},
                       {"body_hex", HexBytes(request.body)},
                       {"body_length", request.body.size()},
                       {"attempt", attempt},
                       {"status", answer.status}});
    Respond(answer, request, response, listener);
  }

  // Checks an analytics report: {"data": <payload as text>, "table": "zb_analytics"},
  // written compactly with sorted keys, and "Authorization: Signature=<hex>"
  // where hex is SHA-256 of payload "1" followed by payload "2".
  bool CheckEvent(const httplib::Request& request, json& payload, int& status,
                  std::string& error) {
    json body;
    try {
      body = json::parse(request.body);
    } catch (const std::exception&) {
      status = 400;
      error = "body is not JSON";
      return false;
    }
    if (!body.is_object() || body.size() != 2 || !body.contains("data") ||
        !body.contains("table")) {
      status = 400;
      error = "body must hold exactly \"data\" and \"table\"";
      return false;
    }
    if (body["table"] != "zb_analytics") {
      status = 400;
      error = "\"table\" must be \"zb_analytics\"";
      return false;
    }
    if (!body["data"].is_string()) {
      status = 400;
      error = "\"data\" must be a string";
      return false;
    }
    if (body.dump() != request.body) {
      status = 400;
      error = "body is not compact JSON with sorted keys";
      return false;
    }
    try {
      payload = json::parse(body["data"].get<std::string>());
    } catch (const std::exception&) {
      status = 400;
      error = "\"data\" is not JSON";
      return false;
    }
    if (!payload.is_object() || !payload.contains("1") || !payload.contains("2") ||
        !payload["1"].is_string() || !payload["2"].is_string()) {
      status = 400;
      error = "\"data\" must be an object with string members \"1\" and \"2\"";
      return false;
    }
    if (payload.dump() != body["data"].get<std::string>()) {
      status = 400;
      error = "\"data\" is not compact JSON with sorted keys";
      return false;
    }
    const std::string expected =
        "Signature=" + Sha256Hex(payload["1"].get<std::string>() + payload["2"].get<std::string>());
    const std::string authorization = request.get_header_value("Authorization");
    if (authorization != expected) {
      status = 401;
      error = authorization.empty() ? "no Authorization header" : "bad signature";
      return false;
    }
    return true;
  }

  void HandleEvent(const httplib::Request& request, httplib::Response& response,
                   const Listener& listener) {
    json payload;
    int status = 200;
    std::string error;
    const std::string authorization = request.get_header_value("Authorization");
    if (!CheckEvent(request, payload, status, error)) {
      rejectedLog_.Append({{"time_ms", NowMillis()},
                           {"scheme", listener.secure ? "https" : "http"},
                           {"error", error},
                           {"status", status},
                           {"authorization", authorization},
                           {"headers", HeaderPairs(request.headers)},
                           {"body", request.body}});
      response.status = status;
      response.set_content(error + "\n", "text/plain");
      return;
    }
    Answer answer;
    answer.body = "{}";
    int attempt = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!scenario_.events.empty()) NextAnswer("POST /zbd", scenario_.events, answer, attempt);
      else attempt = ++attempts_["POST /zbd"];
    }
    eventLog_.Append({{"time_ms", NowMillis()},
                      {"scheme", listener.secure ? "https" : "http"},
                      {"attempt", attempt},
                      {"status", answer.status},
                      {"authorization", authorization},
                      {"data", payload}});
    Respond(answer, request, response, listener);
  }

  void HandleScriptedGet(const httplib::Request& request, httplib::Response& response,
                         const Listener& listener) {
    Answer answer;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto found = scenario_.get.find(request.path);
      if (found == scenario_.get.end()) {
        response.status = 404;
        response.set_content("not found\n", "text/plain");
        return;
      }
      answer = found->second;
    }
    if (!answer.file.empty()) {
      // Served like /f/<file>.
      response.status = 302;
      response.set_header("Location", RequestOrigin(request, listener) + "/f/" + answer.file);
      if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
      return;
    }
    Respond(answer, request, response, listener);
  }

  Options options_;
  std::mutex mutex_;
  Scenario scenario_;
  std::map<std::string, int> attempts_;
  JsonLinesLog configLog_;
  JsonLinesLog eventLog_;
  JsonLinesLog rejectedLog_;
  JsonLinesLog accessLog_;
};

void Usage() {
  std::cerr << "usage: vellam-devserver --certs DIR --logs DIR [--scenario FILE] [--files DIR]\n"
               "                        [--https-port N] [--http-port N] [--bind ADDRESS]...\n"
               "                        [--exit-with-parent] [--send-100-continue]\n"
               "  --certs holds server.pem (certificate chain) and server.key\n"
               "  --send-100-continue answers \"Expect: 100-continue\" with an interim 100\n"
               "    (Wine's WinHTTP fails on that; Windows copes)\n"
               "  --https-port 0 or --http-port 0 leaves that listener out\n"
               "  --bind defaults to 127.0.0.1 and ::1 (::1 only where it exists)\n";
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--exit-with-parent") {
      options.exitWithParent = true;
      continue;
    }
    if (name == "--send-100-continue") {
      options.sendContinue = true;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (name == "--certs") options.certs = value;
    else if (name == "--logs") options.logs = value;
    else if (name == "--scenario") options.scenario = value;
    else if (name == "--files") options.files = value;
    else if (name == "--https-port") options.httpsPort = std::atoi(value.c_str());
    else if (name == "--http-port") options.httpPort = std::atoi(value.c_str());
    else if (name == "--bind") options.addresses.push_back(value);
    else return false;
  }
  return !options.logs.empty() && (options.httpsPort == 0 || !options.certs.empty());
}

}  // namespace
}  // namespace devserver

int main(int argc, char** argv) {
  using namespace devserver;
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    Usage();
    return 2;
  }
  const bool defaultAddresses = options.addresses.empty();
  if (defaultAddresses) options.addresses = {"127.0.0.1", "::1"};

  Scenario scenario;
  if (!options.scenario.empty()) {
    try {
      std::ifstream in(options.scenario, std::ios::binary);
      if (!in) throw std::runtime_error("cannot read " + options.scenario);
      scenario = ParseScenario(json::parse(in));
    } catch (const std::exception& error) {
      std::cerr << "vellam-devserver: scenario: " << error.what() << "\n";
      return 2;
    }
  }
  std::filesystem::create_directories(options.logs);

  // SIGTERM / SIGINT are taken by sigwait below, in this thread only.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  // A wrapper killed outright (a test time-out) must not leave the ports taken.
  if (options.exitWithParent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() == 1) return 1;
  }

  SSL_CTX* tls = nullptr;
  if (options.httpsPort != 0) {
    std::string error;
    tls = CreateTlsContext(options.certs + "/server.pem", options.certs + "/server.key", error);
    if (!tls) {
      std::cerr << "vellam-devserver: " << error << "\n";
      return 1;
    }
  }

  Routes handler(options, std::move(scenario));
  std::vector<std::unique_ptr<httplib::Server>> servers;
  int bound = 0;
  for (const bool secure : {true, false}) {
    const int port = secure ? options.httpsPort : options.httpPort;
    if (port == 0) continue;
    int boundHere = 0;
    for (const std::string& address : options.addresses) {
      auto server =
          std::make_unique<ConnectionServer>(secure ? tls : nullptr, options.sendContinue);
      handler.Install(*server, Listener{secure, port, options.httpsPort, options.httpPort});
      if (!server->bind_to_port(address, port)) {
        // ::1 is optional by default: some machines have no IPv6 loopback.
        if (defaultAddresses && address == "::1") continue;
        std::cerr << "vellam-devserver: cannot listen on " << address << " port " << port << "\n";
        return 1;
      }
      std::cout << "listening on " << (secure ? "https" : "http") << " " << address << " port "
                << port << std::endl;
      servers.push_back(std::move(server));
      ++boundHere;
    }
    if (boundHere == 0) {
      std::cerr << "vellam-devserver: nothing bound on port " << port << "\n";
      return 1;
    }
    bound += boundHere;
  }
  if (bound == 0) {
    Usage();
    return 2;
  }

  std::vector<std::thread> threads;
  for (auto& server : servers) {
    threads.emplace_back([&server] { server->listen_after_bind(); });
  }
  int received = 0;
  sigwait(&stopSignals, &received);
  for (auto& server : servers) server->stop();
  for (auto& thread : threads) thread.join();
  servers.clear();
  if (tls) SSL_CTX_free(tls);
  std::cout << "stopped" << std::endl;
  return 0;
}
