// The installer's JSON-over-HTTPS client: one synchronous POST per call, on
// its own WinHTTP session, from background threads only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system_info.h"
#include "platform/winhttp.h"

// The largest answer body taken; a longer one fails the call.
constexpr std::uint64_t kMaxJsonResponseBytes = 4 * 1024 * 1024;
// The most one WinHttpReadData asks for.
constexpr std::uint32_t kJsonReadBlock = 64 * 1024;

// Request headers in the order they are added: (name, value).
using HeaderList = std::vector<std::pair<std::wstring, std::wstring>>;

// What the configuration request and the analytics reports post through.
class JsonSender {
 public:
  virtual ~JsonSender() = default;
  // POSTs `body` to `url` over TLS on port 443 (the URL's scheme, port, query
  // and fragment are not used). Returns true with the response text and the
  // HTTP status (any status, 500 included), or throws VellamException when no
  // usable response was had: Windows 7 without SP1, a URL that cannot be
  // split, a network or TLS failure, a body above kMaxJsonResponseBytes.
  virtual bool SendJson(const std::wstring& url, const std::string& body,
                        const HeaderList& headers, std::string& response,
                        std::uint32_t& status) = 0;
};

class HttpJsonClient final : public JsonSender {
 public:
  // Receives one diagnostic line at a time, without its line break; called
  // from the requesting thread.
  using DiagnosticSink = std::function<void(const std::string& line)>;

  // Diagnostic lines (header, read and allocation failures) go to
  // `diagnostics`. Without one they are dropped: the wizard has no console,
  // and a stream would cost the executable the whole of <iostream>.
  HttpJsonClient(platform::WinHttp& http, platform::SystemInfo& system,
                 DiagnosticSink diagnostics = nullptr);

  bool SendJson(const std::wstring& url, const std::string& body, const HeaderList& headers,
                std::string& response, std::uint32_t& status) override;

  // One request to host:443 over TLS. The body is sent up to its first zero
  // byte; "Expect: 100-continue" and "Content-Type: application/json" follow
  // the caller's headers. True when a response arrived; a read failure ends
  // reading and only shortens the response text. False also when the body
  // is longer than kMaxJsonResponseBytes (nothing of it is kept then).
  bool PostJson(const std::wstring& host, const std::wstring& path, const std::string& body,
                HeaderList headers, std::string& response, std::uint32_t& status);

 private:
  enum class Outcome { kAnswered, kNoAnswer, kTooLarge };
  Outcome Post(const std::wstring& host, const std::wstring& path, const std::string& body,
               HeaderList headers, std::string& response, std::uint32_t& status);
  // Appends the body (each read up to its first zero byte) to `response`.
  // False, with nothing appended, when it is longer than the limit.
  bool ReadBody(platform::HttpHandle request, std::string& response);
  void Diagnostic(const std::string& line);

  platform::WinHttp& http_;
  platform::SystemInfo& system_;
  DiagnosticSink diagnostics_;  // empty: dropped
};
