// WinHTTP stand-in for the JSON client: one scripted exchange, every call
// recorded in order with its arguments, any call made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/winhttp.h"

class RecordingWinHttp : public platform::WinHttp {
 public:
  // One WinHttpQueryDataAvailable / WinHttpReadData round of the response.
  struct Chunk {
    std::string data;
    bool readFails = false;   // WinHttpReadData fails for this chunk
    bool queryFails = false;  // WinHttpQueryDataAvailable fails instead
  };

  // --- script ---
  std::map<std::string, std::uint32_t> failures;  // call name → error code
  std::set<std::uint32_t> refusedAccessTypes;     // WinHttpOpen fails for these
  std::set<std::wstring> refusedHeaderNames;      // WinHttpAddRequestHeaders refuses these
  bool statusReadable = true;
  std::uint32_t statusCode = 200;
  // Each chunk is what WinHttpQueryDataAvailable reports; a read asking for
  // less takes part of it and leaves the rest for the next round.
  std::vector<Chunk> chunks;
  // Reported as available instead of the chunk's size (a count that cannot
  // be trusted as an allocation size).
  std::optional<std::uint32_t> claimedAvailable;

  // --- record ---
  std::vector<std::string> calls;  // call names in order
  struct Open {
    bool agentIsNull;
    std::uint32_t accessType;
    bool proxyNamesNull;
    std::uint32_t flags;
  };
  std::vector<Open> opens;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> options;  // option, 4-byte value
  std::wstring connectedHost;
  std::uint16_t connectedPort = 0;
  std::wstring verb, object;
  bool defaultVersionReferrerAccept = false;
  std::uint32_t requestFlags = 0;
  std::vector<std::wstring> headerLines;
  std::vector<std::uint32_t> headerModifiers;
  bool sendHadNoHeaders = false;
  std::string sentBody;
  std::uint32_t optionalLength = 0, totalLength = 0;
  std::uintptr_t sendContext = 1;
  std::uint32_t queriedInfoLevel = 0;
  std::vector<std::uint32_t> readSizes;  // toRead of every WinHttpReadData
  std::set<const void*> readBuffers;     // every buffer read into
  std::vector<std::string> closed;  // "session", "connection", "request" in closing order
  int openHandles = 0;

  platform::HttpHandle WinHttpOpen(const wchar_t* userAgent, std::uint32_t accessType,
                                   const wchar_t* proxyName, const wchar_t* proxyBypass,
                                   std::uint32_t flags) override;
  bool WinHttpSetOption(platform::HttpHandle handle, std::uint32_t option, const void* buffer,
                        std::uint32_t length) override;
  bool WinHttpCrackUrl(const std::wstring& url, std::uint32_t flags,
                       platform::UrlComponents& components) override;
  platform::HttpHandle WinHttpConnect(platform::HttpHandle session, const wchar_t* serverName,
                                      std::uint16_t port, std::uint32_t reserved) override;
  platform::HttpHandle WinHttpOpenRequest(platform::HttpHandle connection, const wchar_t* verb,
                                          const wchar_t* objectName, const wchar_t* version,
                                          const wchar_t* referrer,
                                          const wchar_t* const* acceptTypes,
                                          std::uint32_t flags) override;
  bool WinHttpAddRequestHeaders(platform::HttpHandle request, const wchar_t* headers,
                                std::uint32_t length, std::uint32_t modifiers) override;
  bool WinHttpSendRequest(platform::HttpHandle request, const wchar_t* headers,
                          std::uint32_t headersLength, const void* optional,
                          std::uint32_t optionalLength, std::uint32_t totalLength,
                          std::uintptr_t context) override;
  bool WinHttpReceiveResponse(platform::HttpHandle request, void* reserved) override;
  bool WinHttpQueryHeaders(platform::HttpHandle request, std::uint32_t infoLevel,
                           const wchar_t* name, void* buffer, std::uint32_t& bufferLength,
                           std::uint32_t* index) override;
  bool WinHttpQueryDataAvailable(platform::HttpHandle request, std::uint32_t& available) override;
  bool WinHttpReadData(platform::HttpHandle request, void* buffer, std::uint32_t toRead,
                       std::uint32_t& read) override;
  bool WinHttpCloseHandle(platform::HttpHandle handle) override;
  std::uint32_t LastError() override { return lastError_; }

 private:
  bool Fails(const char* call);
  platform::HttpHandle Make(const std::string& kind);
  bool Is(platform::HttpHandle handle, const std::string& kind) const;

  std::map<platform::HttpHandle, std::string> handles_;
  std::uintptr_t next_ = 0x1000;
  std::size_t chunk_ = 0;
  std::size_t offset_ = 0;  // within chunks[chunk_]
  std::uint32_t lastError_ = 0;
};
