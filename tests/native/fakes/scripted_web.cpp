#include "fakes/scripted_web.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace {

constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInetHeaderNotFound = 12150;  // ERROR_HTTP_HEADER_NOT_FOUND
constexpr std::uint32_t kInetRedirectFailed = 12156;  // ERROR_HTTP_REDIRECT_FAILED
constexpr int kInetMaxRedirects = 10;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::uint32_t AnnouncedLength(const ScriptedAnswer& answer, bool& known) {
  if (answer.contentLength) {
    known = true;
    return *answer.contentLength;
  }
  known = answer.announceLength;
  return static_cast<std::uint32_t>(answer.body.size());
}

std::wstring UrlOf(bool secure, const std::wstring& host, std::uint16_t port,
                   const std::wstring& object) {
  const std::uint16_t standard = secure ? 443 : 80;
  std::wstring url = (secure ? L"https://" : L"http://") + host;
  if (port != standard) url += L":" + std::to_wstring(port);
  return url + object;
}

// Stores a 32-bit number the way HTTP query calls do.
bool PutNumber(std::uint32_t value, void* buffer, std::uint32_t& length) {
  if (length < sizeof value) {
    length = sizeof value;
    return false;
  }
  std::memcpy(buffer, &value, sizeof value);
  length = sizeof value;
  return true;
}

// Stores a header's text the way HTTP query calls do: the length in bytes,
// without the terminating zero on success, the size needed on failure.
bool PutText(const std::wstring& text, void* buffer, std::uint32_t& length,
             std::uint32_t& error) {
  const std::uint32_t needed = static_cast<std::uint32_t>((text.size() + 1) * sizeof(wchar_t));
  if (length < needed) {
    length = needed;
    error = kInsufficientBuffer;
    return false;
  }
  std::memcpy(buffer, text.c_str(), needed);
  length = needed - sizeof(wchar_t);
  return true;
}

}  // namespace

const ScriptedAnswer& ScriptedWeb::Answer(const std::wstring& url) {
  requested.push_back(url);
  auto found = answers.find(url);
  if (found == answers.end() || found->second.empty()) return notFound_;
  std::size_t& served = served_[url];
  const std::size_t index = std::min(served, found->second.size() - 1);
  ++served;
  return found->second[index];
}

bool CrackTestUrl(const std::wstring& url, platform::UrlComponents& parts, std::uint32_t& error) {
  const std::size_t separator = url.find(L"://");
  if (separator == std::wstring::npos) {
    error = platform::kErrorWinHttpUnrecognizedScheme;
    return false;
  }
  const std::wstring scheme = Lower(url.substr(0, separator));
  if (scheme != L"http" && scheme != L"https") {
    error = platform::kErrorWinHttpUnrecognizedScheme;
    return false;
  }
  parts = platform::UrlComponents();
  parts.scheme = url.substr(0, separator);
  parts.schemeNumber =
      scheme == L"https" ? platform::kInternetSchemeHttps : platform::kInternetSchemeHttp;
  const std::size_t hostStart = separator + 3;
  const std::size_t hostEnd = url.find_first_of(L"/?#", hostStart);
  std::wstring authority = url.substr(hostStart, hostEnd == std::wstring::npos
                                                     ? std::wstring::npos
                                                     : hostEnd - hostStart);
  parts.port = parts.schemeNumber == platform::kInternetSchemeHttps ? 443 : 80;
  const std::size_t colon = authority.find(L':');
  if (colon != std::wstring::npos) {
    const std::wstring port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of(L"0123456789") != std::wstring::npos ||
        std::stoul(port) > 65535) {
      error = platform::kErrorWinHttpInvalidUrl;
      return false;
    }
    parts.port = static_cast<std::uint16_t>(std::stoul(port));
    authority.resize(colon);
  }
  parts.hostName = authority;
  if (hostEnd == std::wstring::npos) return true;
  const std::wstring rest = url.substr(hostEnd);
  const std::size_t extra = rest.find_first_of(L"?#");
  parts.urlPath = rest.substr(0, extra);
  if (extra != std::wstring::npos) parts.extraInfo = rest.substr(extra);
  return true;
}

// --- WinHTTP -------------------------------------------------------------

bool FakeWinHttp::Fails(const char* call) {
  auto found = failures.find(call);
  if (found == failures.end()) return false;
  lastError_ = found->second;
  return true;
}

platform::HttpHandle FakeWinHttp::Make(Handle handle) {
  const std::uintptr_t id = next_++;
  handles_[id] = std::move(handle);
  ++openHandles;
  return reinterpret_cast<platform::HttpHandle>(id);
}

FakeWinHttp::Handle* FakeWinHttp::Find(platform::HttpHandle handle, const char* kind) {
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == handles_.end() || found->second.kind != kind) {
    lastError_ = kInvalidHandle;
    return nullptr;
  }
  return &found->second;
}

platform::HttpHandle FakeWinHttp::WinHttpOpen(const wchar_t* userAgent, std::uint32_t accessType,
                                              const wchar_t*, const wchar_t*, std::uint32_t) {
  opens.push_back({userAgent ? userAgent : L"(none)", accessType});
  if (Fails("WinHttpOpen")) return nullptr;
  if (refuseAutomaticProxy && accessType == platform::kWinHttpAccessTypeAutomaticProxy) {
    lastError_ = platform::kErrorInvalidParameter;
    return nullptr;
  }
  Handle session;
  session.kind = "session";
  return Make(session);
}

bool FakeWinHttp::WinHttpSetOption(platform::HttpHandle handle, std::uint32_t option,
                                   const void* buffer, std::uint32_t length) {
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == handles_.end()) {
    lastError_ = kInvalidHandle;
    return false;
  }
  std::uint32_t value = 0;
  if (length == sizeof value) std::memcpy(&value, buffer, sizeof value);
  options.push_back({found->second.kind, option, value});
  return !Fails("WinHttpSetOption");
}

bool FakeWinHttp::WinHttpCrackUrl(const std::wstring& url, std::uint32_t,
                                  platform::UrlComponents& components) {
  if (Fails("WinHttpCrackUrl")) return false;
  return CrackTestUrl(url, components, lastError_);
}

platform::HttpHandle FakeWinHttp::WinHttpConnect(platform::HttpHandle session,
                                                 const wchar_t* serverName, std::uint16_t port,
                                                 std::uint32_t) {
  if (!Find(session, "session") || Fails("WinHttpConnect")) return nullptr;
  Handle connection;
  connection.kind = "connection";
  connection.host = serverName;
  connection.port = port;
  return Make(connection);
}

platform::HttpHandle FakeWinHttp::WinHttpOpenRequest(platform::HttpHandle connection,
                                                     const wchar_t* verb,
                                                     const wchar_t* objectName, const wchar_t*,
                                                     const wchar_t*, const wchar_t* const*,
                                                     std::uint32_t flags) {
  Handle* parent = Find(connection, "connection");
  if (!parent) return nullptr;
  requests.push_back({parent->host, parent->port, verb, objectName, flags});
  if (Fails("WinHttpOpenRequest")) return nullptr;
  Handle request;
  request.kind = "request";
  request.host = parent->host;
  request.port = parent->port;
  request.secure = (flags & platform::kWinHttpFlagSecure) != 0;
  request.object = objectName;
  return Make(request);
}

bool FakeWinHttp::WinHttpAddRequestHeaders(platform::HttpHandle, const wchar_t*, std::uint32_t,
                                           std::uint32_t) {
  return !Fails("WinHttpAddRequestHeaders");
}

bool FakeWinHttp::WinHttpSendRequest(platform::HttpHandle request, const wchar_t*, std::uint32_t,
                                     const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return Find(request, "request") && !Fails("WinHttpSendRequest");
}

bool FakeWinHttp::WinHttpReceiveResponse(platform::HttpHandle request, void*) {
  Handle* handle = Find(request, "request");
  if (!handle || Fails("WinHttpReceiveResponse")) return false;
  handle->answer = &web_.Answer(UrlOf(handle->secure, handle->host, handle->port, handle->object));
  return true;
}

bool FakeWinHttp::WinHttpQueryHeaders(platform::HttpHandle request, std::uint32_t infoLevel,
                                      const wchar_t*, void* buffer, std::uint32_t& bufferLength,
                                      std::uint32_t*) {
  Handle* handle = Find(request, "request");
  if (!handle || !handle->answer) {
    if (handle) lastError_ = 12019;  // ERROR_WINHTTP_INCORRECT_HANDLE_STATE
    return false;
  }
  const ScriptedAnswer& answer = *handle->answer;
  if (infoLevel == (platform::kWinHttpQueryStatusCode | platform::kWinHttpQueryFlagNumber)) {
    if (Fails("QueryStatus")) return false;
    return PutNumber(answer.status, buffer, bufferLength);
  }
  if (infoLevel == (platform::kWinHttpQueryContentLength | platform::kWinHttpQueryFlagNumber)) {
    bool known = false;
    const std::uint32_t length = AnnouncedLength(answer, known);
    if (!known) {
      lastError_ = kErrorHeaderNotFound;
      return false;
    }
    return PutNumber(length, buffer, bufferLength);
  }
  if (infoLevel == platform::kWinHttpQueryLocation) {
    if (!answer.location) {
      lastError_ = kErrorHeaderNotFound;
      return false;
    }
    return PutText(*answer.location, buffer, bufferLength, lastError_);
  }
  lastError_ = kErrorHeaderNotFound;
  return false;
}

bool FakeWinHttp::WinHttpQueryDataAvailable(platform::HttpHandle request,
                                            std::uint32_t& available) {
  Handle* handle = Find(request, "request");
  if (!handle || Fails("WinHttpQueryDataAvailable")) return false;
  const ScriptedAnswer& answer = *handle->answer;
  const std::size_t remaining = answer.body.size() - handle->offset;
  if (remaining == 0 && answer.dropError) {
    lastError_ = answer.dropError;
    return false;
  }
  available = static_cast<std::uint32_t>(std::min(answer.pieceSize, remaining));
  if (remaining > 0 && claimedAvailable) available = *claimedAvailable;
  return true;
}

bool FakeWinHttp::WinHttpReadData(platform::HttpHandle request, void* buffer,
                                  std::uint32_t toRead, std::uint32_t& read) {
  Handle* handle = Find(request, "request");
  if (!handle) return false;
  readSizes.push_back(toRead);
  readBuffers.insert(buffer);
  if (beforeRead) beforeRead();
  if (Fails("WinHttpReadData")) return false;
  const std::string& body = handle->answer->body;
  const std::size_t count = std::min<std::size_t>(toRead, body.size() - handle->offset);
  std::memcpy(buffer, body.data() + handle->offset, count);
  handle->offset += count;
  read = static_cast<std::uint32_t>(count);
  return true;
}

bool FakeWinHttp::WinHttpCloseHandle(platform::HttpHandle handle) {
  if (handles_.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
    lastError_ = kInvalidHandle;
    return false;
  }
  --openHandles;
  return true;
}

// --- WinINet -------------------------------------------------------------

bool FakeWinInet::Fails(const char* call) {
  auto found = failures.find(call);
  if (found == failures.end()) return false;
  lastError_ = found->second;
  return true;
}

platform::InternetHandle FakeWinInet::InternetOpenW(const wchar_t* agent, std::uint32_t,
                                                    const wchar_t*, const wchar_t*,
                                                    std::uint32_t) {
  agents.push_back(agent ? agent : L"(none)");
  if (Fails("InternetOpenW")) return nullptr;
  const std::uintptr_t id = next_++;
  handles_[id] = Handle{};
  ++openHandles;
  return reinterpret_cast<platform::InternetHandle>(id);
}

platform::InternetHandle FakeWinInet::InternetOpenUrlW(platform::InternetHandle session,
                                                       const wchar_t* url, const wchar_t*,
                                                       std::uint32_t, std::uint32_t flags,
                                                       std::uintptr_t) {
  openedUrls.push_back(url);
  urlFlags.push_back(flags);
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(session));
  if (found == handles_.end() || !found->second.session) {
    lastError_ = kInvalidHandle;
    return nullptr;
  }
  if (Fails("InternetOpenUrlW")) return nullptr;
  platform::UrlComponents parts;
  std::uint32_t error = 0;
  if (!CrackTestUrl(url, parts, error)) {
    lastError_ = 12006;  // ERROR_INTERNET_UNRECOGNIZED_SCHEME
    return nullptr;
  }
  // WinINet follows redirects itself unless told not to.
  const ScriptedAnswer* answer = &web_.Answer(url);
  const bool follow = (flags & platform::kInternetFlagNoAutoRedirect) == 0;
  for (int hops = 0; follow && answer->status >= 300 && answer->status <= 399 && answer->location;
       ++hops) {
    if (hops == kInetMaxRedirects || !CrackTestUrl(*answer->location, parts, error)) {
      lastError_ = kInetRedirectFailed;
      return nullptr;
    }
    answer = &web_.Answer(*answer->location);
  }
  Handle request;
  request.session = false;
  request.answer = answer;
  const std::uintptr_t id = next_++;
  handles_[id] = request;
  ++openHandles;
  return reinterpret_cast<platform::InternetHandle>(id);
}

bool FakeWinInet::HttpQueryInfoW(platform::InternetHandle request, std::uint32_t infoLevel,
                                 void* buffer, std::uint32_t& bufferLength, std::uint32_t*) {
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(request));
  if (found == handles_.end() || found->second.session) {
    lastError_ = kInvalidHandle;
    return false;
  }
  const ScriptedAnswer& answer = *found->second.answer;
  if (infoLevel == (platform::kHttpQueryStatusCode | platform::kHttpQueryFlagNumber)) {
    if (Fails("QueryStatus")) return false;
    lastError_ = errorAfterStatusQuery;
    return PutNumber(answer.status, buffer, bufferLength);
  }
  if (infoLevel == (platform::kHttpQueryContentLength | platform::kHttpQueryFlagNumber)) {
    bool known = false;
    const std::uint32_t length = AnnouncedLength(answer, known);
    if (!known) {
      lastError_ = kInetHeaderNotFound;
      return false;
    }
    return PutNumber(length, buffer, bufferLength);
  }
  if (infoLevel == platform::kHttpQueryLocation) {
    if (!answer.location) {
      lastError_ = kInetHeaderNotFound;
      return false;
    }
    return PutText(*answer.location, buffer, bufferLength, lastError_);
  }
  lastError_ = kInetHeaderNotFound;
  return false;
}

bool FakeWinInet::InternetReadFile(platform::InternetHandle file, void* buffer,
                                   std::uint32_t toRead, std::uint32_t& read) {
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(file));
  if (found == handles_.end() || found->second.session) {
    lastError_ = kInvalidHandle;
    return false;
  }
  Handle& handle = found->second;
  readSizes.push_back(toRead);
  readBuffers.insert(buffer);
  const std::string& body = handle.answer->body;
  const std::size_t remaining = body.size() - handle.offset;
  if (remaining == 0 && handle.answer->dropError) {
    lastError_ = handle.answer->dropError;
    return false;
  }
  const std::size_t count = std::min<std::size_t>(toRead, remaining);
  std::memcpy(buffer, body.data() + handle.offset, count);
  handle.offset += count;
  read = static_cast<std::uint32_t>(count);
  return true;
}

bool FakeWinInet::InternetCloseHandle(platform::InternetHandle handle) {
  if (handles_.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
    lastError_ = kInvalidHandle;
    return false;
  }
  --openHandles;
  return true;
}

// --- Files ---------------------------------------------------------------

namespace {

class FakeWritableFile : public platform::WritableFile {
 public:
  FakeWritableFile(FakeFileStreams& owner, std::string& content, int& openFiles)
      : owner_(owner), content_(content), openFiles_(openFiles) {
    ++openFiles_;
  }
  ~FakeWritableFile() override {
    if (open_) --openFiles_;
  }
  bool Write(const void* data, std::size_t size, std::uint32_t& error) override {
    owner_.writeSizes.push_back(size);
    if (owner_.writeLimit && content_.size() + size > *owner_.writeLimit) {
      error = owner_.writeError;
      return false;
    }
    content_.append(static_cast<const char*>(data), size);
    return true;
  }
  bool Close(std::uint32_t&) override {
    if (open_) --openFiles_;
    open_ = false;
    return true;
  }

 private:
  FakeFileStreams& owner_;
  std::string& content_;
  int& openFiles_;
  bool open_ = true;
};

std::wstring ParentOf(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

std::unique_ptr<platform::WritableFile> FakeFileStreams::CreateForWriting(
    const std::wstring& path, std::uint32_t& error) {
  ++createCount;
  if (path.empty() || !files_.IsDirectory(ParentOf(path))) {
    error = kPathNotFound;
    return nullptr;
  }
  if (files_.IsDirectory(path)) {
    error = kAccessDenied;
    return nullptr;
  }
  files_.files.insert(path);
  std::string& content = contents[path];
  content.clear();
  return std::make_unique<FakeWritableFile>(*this, content, openFiles);
}

bool FakeFileStreams::QueryFileSize(const std::wstring& path, std::uint64_t& size,
                                    std::uint32_t& error) {
  if (unreadable.count(path)) {
    error = kAccessDenied;
    return false;
  }
  if (!Exists(path)) {
    error = kNotFound;
    return false;
  }
  size = contents[path].size();
  return true;
}

// --- Progress ------------------------------------------------------------

std::vector<std::uintptr_t> RecordingProgress::Percents() const {
  std::vector<std::uintptr_t> percents;
  for (const Message& m : posted) {
    if (m.message == kWmDownloadProgress) percents.push_back(m.wParam);
  }
  return percents;
}

int RecordingProgress::Count(std::uint32_t message) const {
  return static_cast<int>(std::count_if(posted.begin(), posted.end(),
                                        [&](const Message& m) { return m.message == message; }));
}
