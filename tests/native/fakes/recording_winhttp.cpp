#include "fakes/recording_winhttp.h"

#include <algorithm>
#include <cstring>

bool RecordingWinHttp::Fails(const char* call) {
  calls.push_back(call);
  const auto found = failures.find(call);
  if (found == failures.end()) return false;
  lastError_ = found->second;
  return true;
}

platform::HttpHandle RecordingWinHttp::Make(const std::string& kind) {
  auto handle = reinterpret_cast<platform::HttpHandle>(next_);
  next_ += 0x10;
  handles_[handle] = kind;
  ++openHandles;
  return handle;
}

bool RecordingWinHttp::Is(platform::HttpHandle handle, const std::string& kind) const {
  const auto found = handles_.find(handle);
  return found != handles_.end() && found->second == kind;
}

platform::HttpHandle RecordingWinHttp::WinHttpOpen(const wchar_t* userAgent,
                                                   std::uint32_t accessType,
                                                   const wchar_t* proxyName,
                                                   const wchar_t* proxyBypass,
                                                   std::uint32_t flags) {
  opens.push_back({userAgent == nullptr, accessType, proxyName == nullptr && proxyBypass == nullptr,
                   flags});
  if (Fails("WinHttpOpen")) return nullptr;
  if (refusedAccessTypes.count(accessType)) {
    lastError_ = platform::kErrorInvalidParameter;
    return nullptr;
  }
  return Make("session");
}

bool RecordingWinHttp::WinHttpSetOption(platform::HttpHandle handle, std::uint32_t option,
                                        const void* buffer, std::uint32_t length) {
  std::uint32_t value = 0;
  if (buffer && length == sizeof value) std::memcpy(&value, buffer, sizeof value);
  options.emplace_back(option, value);
  if (Fails("WinHttpSetOption")) return false;
  return Is(handle, "session") || Is(handle, "request");
}

bool RecordingWinHttp::WinHttpCrackUrl(const std::wstring& url, std::uint32_t,
                                       platform::UrlComponents& parts) {
  if (Fails("WinHttpCrackUrl")) return false;
  const std::size_t colon = url.find(L"://");
  const std::wstring scheme = colon == std::wstring::npos ? L"" : url.substr(0, colon);
  if (scheme != L"http" && scheme != L"https") {
    lastError_ = platform::kErrorWinHttpUnrecognizedScheme;
    return false;
  }
  parts = platform::UrlComponents();
  parts.scheme = scheme;
  parts.schemeNumber =
      scheme == L"https" ? platform::kInternetSchemeHttps : platform::kInternetSchemeHttp;
  const std::size_t hostStart = colon + 3;
  const std::size_t pathStart = url.find_first_of(L"/?#", hostStart);
  std::wstring authority = url.substr(hostStart, pathStart - hostStart);
  const std::size_t portColon = authority.find(L':');
  parts.port = scheme == L"https" ? platform::kInternetDefaultHttpsPort
                                  : platform::kInternetDefaultHttpPort;
  if (portColon != std::wstring::npos) {
    parts.port = static_cast<std::uint16_t>(std::stoi(authority.substr(portColon + 1)));
    authority.resize(portColon);
  }
  if (authority.empty()) {
    lastError_ = platform::kErrorWinHttpInvalidUrl;
    return false;
  }
  parts.hostName = authority;
  if (pathStart != std::wstring::npos) {
    const std::size_t extraStart = url.find_first_of(L"?#", pathStart);
    parts.urlPath = url.substr(pathStart, extraStart - pathStart);
    if (extraStart != std::wstring::npos) parts.extraInfo = url.substr(extraStart);
  }
  return true;
}

platform::HttpHandle RecordingWinHttp::WinHttpConnect(platform::HttpHandle session,
                                                      const wchar_t* serverName,
                                                      std::uint16_t port, std::uint32_t) {
  connectedHost = serverName ? serverName : L"";
  connectedPort = port;
  if (Fails("WinHttpConnect") || !Is(session, "session")) return nullptr;
  return Make("connection");
}

platform::HttpHandle RecordingWinHttp::WinHttpOpenRequest(
    platform::HttpHandle connection, const wchar_t* verbText, const wchar_t* objectName,
    const wchar_t* version, const wchar_t* referrer, const wchar_t* const* acceptTypes,
    std::uint32_t flags) {
  verb = verbText ? verbText : L"";
  object = objectName ? objectName : L"";
  defaultVersionReferrerAccept = !version && !referrer && !acceptTypes;
  requestFlags = flags;
  if (Fails("WinHttpOpenRequest") || !Is(connection, "connection")) return nullptr;
  return Make("request");
}

bool RecordingWinHttp::WinHttpAddRequestHeaders(platform::HttpHandle request,
                                                const wchar_t* headers, std::uint32_t length,
                                                std::uint32_t modifiers) {
  calls.push_back("WinHttpAddRequestHeaders");
  const std::wstring line =
      length == 0xFFFFFFFFu ? std::wstring(headers) : std::wstring(headers, length);
  headerLines.push_back(line);
  headerModifiers.push_back(modifiers);
  const std::wstring name = line.substr(0, line.find(L':'));
  if (refusedHeaderNames.count(name)) {
    lastError_ = platform::kErrorWinHttpInvalidHeader;
    return false;
  }
  return Is(request, "request");
}

bool RecordingWinHttp::WinHttpSendRequest(platform::HttpHandle request, const wchar_t* headers,
                                          std::uint32_t headersLength, const void* optional,
                                          std::uint32_t optional_length, std::uint32_t total,
                                          std::uintptr_t context) {
  sendHadNoHeaders = headers == nullptr && headersLength == 0;
  sentBody = optional ? std::string(static_cast<const char*>(optional), optional_length) : "";
  optionalLength = optional_length;
  totalLength = total;
  sendContext = context;
  if (Fails("WinHttpSendRequest")) return false;
  return Is(request, "request");
}

bool RecordingWinHttp::WinHttpReceiveResponse(platform::HttpHandle request, void*) {
  if (Fails("WinHttpReceiveResponse")) return false;
  return Is(request, "request");
}

bool RecordingWinHttp::WinHttpQueryHeaders(platform::HttpHandle request, std::uint32_t infoLevel,
                                           const wchar_t*, void* buffer,
                                           std::uint32_t& bufferLength, std::uint32_t*) {
  queriedInfoLevel = infoLevel;
  if (Fails("WinHttpQueryHeaders") || !Is(request, "request")) return false;
  if (!statusReadable || bufferLength < sizeof statusCode) {
    lastError_ = 12150;  // ERROR_WINHTTP_HEADER_NOT_FOUND
    return false;
  }
  std::memcpy(buffer, &statusCode, sizeof statusCode);
  bufferLength = sizeof statusCode;
  return true;
}

bool RecordingWinHttp::WinHttpQueryDataAvailable(platform::HttpHandle request,
                                                 std::uint32_t& available) {
  if (Fails("WinHttpQueryDataAvailable") || !Is(request, "request")) return false;
  if (chunk_ < chunks.size() && chunks[chunk_].queryFails) {
    lastError_ = platform::kErrorWinHttpConnectionError;
    return false;
  }
  const bool more = chunk_ < chunks.size();
  available = more ? static_cast<std::uint32_t>(chunks[chunk_].data.size() - offset_) : 0;
  if (more && claimedAvailable) available = *claimedAvailable;
  return true;
}

bool RecordingWinHttp::WinHttpReadData(platform::HttpHandle request, void* buffer,
                                       std::uint32_t toRead, std::uint32_t& read) {
  read = 0;
  readSizes.push_back(toRead);
  readBuffers.insert(buffer);
  // A failure named in `failures` is a lasting one: every read fails.
  if (Fails("WinHttpReadData")) return false;
  if (!Is(request, "request") || chunk_ >= chunks.size()) return false;
  const Chunk& chunk = chunks[chunk_];
  if (chunk.readFails) {
    ++chunk_;
    lastError_ = platform::kErrorWinHttpTimeout;
    return false;
  }
  read = static_cast<std::uint32_t>(std::min<std::size_t>(toRead, chunk.data.size() - offset_));
  std::memcpy(buffer, chunk.data.data() + offset_, read);
  offset_ += read;
  if (offset_ == chunk.data.size()) {
    ++chunk_;
    offset_ = 0;
  }
  return true;
}

bool RecordingWinHttp::WinHttpCloseHandle(platform::HttpHandle handle) {
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return false;
  closed.push_back(found->second);
  handles_.erase(found);
  --openHandles;
  return true;
}
