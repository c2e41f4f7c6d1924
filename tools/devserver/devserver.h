// The reference server: a local stand-in for the configuration server, the
// analytics server and the file hosts. Shared pieces of its route files.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace devserver {

// One JSON document per line, flushed at once so tests can read it while
// the server runs. Safe to use from every server thread.
class JsonLinesLog {
 public:
  explicit JsonLinesLog(const std::string& path);
  void Append(const nlohmann::json& line);

 private:
  std::mutex mutex_;
  std::ofstream out_;
};

// What the route files need to know about the listener a request came in on.
struct Listener {
  bool secure = false;
  int port = 0;
  // Both listeners' ports (0: not listening), for redirects across schemes.
  int httpsPort = 0;
  int httpPort = 0;
};

// "https://localhost" or "http://localhost:8080": the scheme of the listener
// and the request's Host header (falling back to localhost and the port).
std::string RequestOrigin(const httplib::Request& request, const Listener& listener);

// Lower-case hexadecimal of the bytes, two digits each.
std::string HexBytes(const std::string& bytes);

// The request headers as [name, value] pairs (the server keeps them sorted
// by name, case-insensitively).
nlohmann::json HeaderPairs(const httplib::Headers& headers);

// Milliseconds since 1970, for log lines.
std::int64_t NowMillis();

// Everything under GET /f/: files from filesRoot (empty: none) and the
// scripted faults selected by the URL (see README.md).
void InstallFileRoutes(httplib::Server& server, const Listener& listener,
                       const std::string& filesRoot);

}  // namespace devserver
