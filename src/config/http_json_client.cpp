#include "config/http_json_client.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "config/vellam_exception.h"
#include "platform/winhttp_session.h"

HttpJsonClient::HttpJsonClient(platform::WinHttp& http, platform::SystemInfo& system,
                               std::ostream& diagnostics)
    : http_(http), system_(system), diagnostics_(diagnostics) {}

bool HttpJsonClient::SendJson(const std::wstring& url, const std::string& body,
                              const HeaderList& headers, std::string& response,
                              std::uint32_t& status) {
  // TLS 1.2 cannot be switched on there, so nothing is sent at all.
  if (platform::IsWindows7WithoutSp1(system_)) throw VellamException();
  platform::UrlComponents parts;
  if (!http_.WinHttpCrackUrl(url, 0, parts)) throw VellamException();
  // Only host and path count: always TLS on 443, no query string.
  if (!PostJson(parts.hostName, parts.urlPath, body, headers, response, status)) {
    throw VellamException();
  }
  return true;
}

bool HttpJsonClient::PostJson(const std::wstring& host, const std::wstring& path,
                              const std::string& body, HeaderList headers, std::string& response,
                              std::uint32_t& status) {
  platform::HttpHandle session =
      platform::OpenWinHttpSession(http_, nullptr, platform::ProxyAccessType(system_));
  if (!session) return false;

  const std::uint32_t protocols = platform::SecureProtocolFlags(system_);
  if (!http_.WinHttpSetOption(session, platform::kWinHttpOptionSecureProtocols, &protocols,
                              sizeof protocols)) {
    http_.WinHttpCloseHandle(session);
    return false;
  }
  platform::HttpHandle connection =
      http_.WinHttpConnect(session, host.c_str(), platform::kInternetDefaultHttpsPort, 0);
  if (!connection) {
    http_.WinHttpCloseHandle(session);
    return false;
  }
  platform::HttpHandle request = http_.WinHttpOpenRequest(
      connection, L"POST", path.c_str(), nullptr, nullptr, nullptr, platform::kWinHttpFlagSecure);
  if (!request) {
    http_.WinHttpCloseHandle(connection);
    http_.WinHttpCloseHandle(session);
    return false;
  }

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
  if (received) {
    std::uint32_t code = 0;
    std::uint32_t size = sizeof code;
    if (http_.WinHttpQueryHeaders(request,
                                  platform::kWinHttpQueryStatusCode |
                                      platform::kWinHttpQueryFlagNumber,
                                  nullptr, &code, size, nullptr)) {
      status = code;
    }
    ReadBody(request, response);
  }

  http_.WinHttpCloseHandle(request);
  http_.WinHttpCloseHandle(connection);
  http_.WinHttpCloseHandle(session);
  return received;
}

void HttpJsonClient::ReadBody(platform::HttpHandle request, std::string& response) {
  for (;;) {
    std::uint32_t available = 0;
    if (!http_.WinHttpQueryDataAvailable(request, available)) {
      Diagnostic("Error " + std::to_string(http_.LastError()) +
                 " in WinHttpQueryDataAvailable.");
      return;
    }
    if (available == 0) return;
    // count + 1 must not wrap where size_t is 32 bits wide.
    const std::uint64_t size = static_cast<std::uint64_t>(available) + 1;
    std::unique_ptr<char[]> chunk;
    if (size <= std::numeric_limits<std::size_t>::max()) {
      chunk.reset(new (std::nothrow) char[static_cast<std::size_t>(size)]);
    }
    if (!chunk) {
      Diagnostic("Out of memory");
      return;
    }
    std::memset(chunk.get(), 0, static_cast<std::size_t>(size));
    std::uint32_t read = 0;
    if (http_.WinHttpReadData(request, chunk.get(), available, read)) {
      // Text only: a zero byte ends what this chunk contributes.
      response.append(chunk.get());
    } else {
      Diagnostic("Error " + std::to_string(http_.LastError()) + " in WinHttpReadData.");
    }
  }
}

void HttpJsonClient::Diagnostic(const std::string& line) {
  // One write per line so lines of parallel requests do not interleave.
  diagnostics_ << (line + "\n") << std::flush;
}
