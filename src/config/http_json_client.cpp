#include "config/http_json_client.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "config/vellam_exception.h"
#include "platform/winhttp_session.h"

HttpJsonClient::HttpJsonClient(platform::WinHttp& http, platform::SystemInfo& system,
                               DiagnosticSink diagnostics)
    : http_(http), system_(system), diagnostics_(std::move(diagnostics)) {}

bool HttpJsonClient::SendJson(const std::wstring& url, const std::string& body,
                              const HeaderList& headers, std::string& response,
                              std::uint32_t& status) {
  // TLS 1.2 cannot be switched on there, so nothing is sent at all.
  if (platform::IsWindows7WithoutSp1(system_)) throw VellamException();
  platform::UrlComponents parts;
  if (!http_.WinHttpCrackUrl(url, 0, parts)) throw VellamException();
  // Only host and path count: always TLS on 443, no query string.
  switch (Post(parts.hostName, parts.urlPath, body, headers, response, status)) {
    case Outcome::kAnswered:
      return true;
    case Outcome::kTooLarge:
      throw VellamException("Server answer larger than " + std::to_string(kMaxJsonResponseBytes) +
                            " bytes");
    case Outcome::kNoAnswer:
      break;
  }
  throw VellamException();
}

bool HttpJsonClient::PostJson(const std::wstring& host, const std::wstring& path,
                              const std::string& body, HeaderList headers, std::string& response,
                              std::uint32_t& status) {
  return Post(host, path, body, std::move(headers), response, status) == Outcome::kAnswered;
}

HttpJsonClient::Outcome HttpJsonClient::Post(const std::wstring& host, const std::wstring& path,
                                             const std::string& body, HeaderList headers,
                                             std::string& response, std::uint32_t& status) {
  // Declared in opening order: they close request first, session last.
  const platform::ScopedHttpHandle session = platform::ScopedHttp(
      http_, platform::OpenWinHttpSession(http_, nullptr, platform::ProxyAccessType(system_)));
  if (!session) return Outcome::kNoAnswer;

  const std::uint32_t protocols = platform::SecureProtocolFlags(system_);
  if (!http_.WinHttpSetOption(session.get(), platform::kWinHttpOptionSecureProtocols,
                              &protocols, sizeof protocols)) {
    return Outcome::kNoAnswer;
  }
  const platform::ScopedHttpHandle connection = platform::ScopedHttp(
      http_, http_.WinHttpConnect(session.get(), host.c_str(),
                                  platform::kInternetDefaultHttpsPort, 0));
  if (!connection) return Outcome::kNoAnswer;
  const platform::ScopedHttpHandle scopedRequest = platform::ScopedHttp(
      http_, http_.WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr, nullptr,
                                      nullptr, platform::kWinHttpFlagSecure));
  if (!scopedRequest) return Outcome::kNoAnswer;
  const platform::HttpHandle request = scopedRequest.get();

  headers.emplace_back(L"Expect", L"100-continue");
  headers.emplace_back(L"Content-Type", L"application/json");
  for (const auto& [name, value] : headers) {
    const std::wstring line = name + L": " + value;
    if (!http_.WinHttpAddRequestHeaders(request, line.c_str(), 0xFFFFFFFFu,
                                        platform::kWinHttpAddreqFlagAdd)) {
      // A header the system refuses is left out; the request still goes.
      Diagnostic("WinHttpAddRequestHeaders error: " +
                 std::to_string(static_cast<std::int32_t>(http_.LastError())));
    }
  }

  const std::uint32_t length = static_cast<std::uint32_t>(std::strlen(body.c_str()));
  const bool sent =
      http_.WinHttpSendRequest(request, nullptr, 0, body.c_str(), length, length, 0);
  const bool received = sent && http_.WinHttpReceiveResponse(request, nullptr);
  Outcome outcome = received ? Outcome::kAnswered : Outcome::kNoAnswer;
  if (received) {
    std::uint32_t code = 0;
    std::uint32_t size = sizeof code;
    if (http_.WinHttpQueryHeaders(request,
                                  platform::kWinHttpQueryStatusCode |
                                      platform::kWinHttpQueryFlagNumber,
                                  nullptr, &code, size, nullptr)) {
      status = code;
    }
    if (!ReadBody(request, response)) outcome = Outcome::kTooLarge;
  }
  return outcome;
}

bool HttpJsonClient::ReadBody(platform::HttpHandle request, std::string& response) {
  const std::size_t before = response.size();
  // One block for the whole answer: what WinHTTP reports as available only
  // caps a read, it is never an allocation size.
  std::unique_ptr<char[]> block(new (std::nothrow) char[kJsonReadBlock]);
  if (!block) {
    Diagnostic("Out of memory");
    return true;
  }
  std::uint64_t total = 0;
  for (;;) {
    std::uint32_t available = 0;
    if (!http_.WinHttpQueryDataAvailable(request, available)) {
      Diagnostic("Error " + std::to_string(http_.LastError()) +
                 " in WinHttpQueryDataAvailable.");
      return true;
    }
    if (available == 0) return true;
    // Never more than one byte past the limit: that byte is enough to know.
    const std::uint64_t room = kMaxJsonResponseBytes + 1 - total;
    const std::uint32_t wanted = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({available, kJsonReadBlock, room}));
    std::uint32_t read = 0;
    if (!http_.WinHttpReadData(request, block.get(), wanted, read)) {
      // A connection that fails once keeps failing; asking again would spin.
      Diagnostic("Error " + std::to_string(http_.LastError()) + " in WinHttpReadData.");
      return true;
    }
    if (read == 0) return true;  // WinHTTP's end of the body
    total += read;
    if (total > kMaxJsonResponseBytes) {
      response.resize(before);
      return false;
    }
    // Text only: a zero byte ends what this chunk contributes.
    const char* end = static_cast<const char*>(std::memchr(block.get(), 0, read));
    response.append(block.get(), end ? static_cast<std::size_t>(end - block.get()) : read);
  }
}

void HttpJsonClient::Diagnostic(const std::string& line) {
  if (diagnostics_) diagnostics_(line);
}
