// A scripted web for the download code: answers by URL, served through fake
// WinHTTP and WinINet interfaces, plus in-memory files written through
// platform::FileStreams and the system's error texts. Everything records what
// was asked of it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "install/download_progress.h"
#include "platform/file_stream.h"
#include "platform/system_messages.h"
#include "platform/winhttp.h"
#include "platform/wininet.h"

constexpr std::uint32_t kErrorHeaderNotFound = 12150;  // ERROR_WINHTTP_HEADER_NOT_FOUND

// One answer of the scripted server.
struct ScriptedAnswer {
  std::uint32_t status = 200;
  std::optional<std::wstring> location;
  // The Content-Length header. Unset: the length of `body` when
  // `announceLength` is set, else no header.
  std::optional<std::uint32_t> contentLength;
  bool announceLength = true;
  std::string body;
  // The body arrives in pieces of this size (WinHTTP's available counts).
  std::size_t pieceSize = 1000;
  // After the body: reading fails with this error instead of ending (0: ends).
  std::uint32_t dropError = 0;

  static ScriptedAnswer Ok(const std::string& body) {
    ScriptedAnswer a;
    a.body = body;
    return a;
  }
  static ScriptedAnswer Status(std::uint32_t status) {
    ScriptedAnswer a;
    a.status = status;
    a.body = "status";
    return a;
  }
  static ScriptedAnswer Redirect(const std::wstring& to, std::uint32_t status = 302) {
    ScriptedAnswer a;
    a.status = status;
    a.location = to;
    return a;
  }
};

class ScriptedWeb {
 public:
  // Answers for a URL in turn; the last one repeats. A URL without answers
  // gets 404.
  std::map<std::wstring, std::vector<ScriptedAnswer>> answers;
  std::vector<std::wstring> requested;  // every request, in order

  const ScriptedAnswer& Answer(const std::wstring& url);

 private:
  std::map<std::wstring, std::size_t> served_;
  ScriptedAnswer notFound_ = ScriptedAnswer::Status(404);
};

// URL splitting as WinHttpCrackUrl does it for the URLs tests use: http or
// https (any case), host, optional port, path, then "?..." / "#..." as extra.
// False with the WinHTTP error otherwise.
bool CrackTestUrl(const std::wstring& url, platform::UrlComponents& parts, std::uint32_t& error);

class FakeWinHttp : public platform::WinHttp {
 public:
  explicit FakeWinHttp(ScriptedWeb& web) : web_(web) {}

  // A call named here fails with the error (e.g. "WinHttpConnect" → 12029).
  std::map<std::string, std::uint32_t> failures;
  // WinHTTP before Windows 8.1: access type 4 is refused.
  bool refuseAutomaticProxy = false;
  // Called before each WinHttpReadData (the tests set the stop flag here).
  std::function<void()> beforeRead;
  // Reported by WinHttpQueryDataAvailable while body remains, instead of
  // the true count (which the code must not trust as an allocation size).
  std::optional<std::uint32_t> claimedAvailable;

  struct Open {
    std::wstring userAgent;  // "(none)" for a null agent
    std::uint32_t accessType;
  };
  struct Option {
    std::string target;  // "session" or "request"
    std::uint32_t option;
    std::uint32_t value;
  };
  struct Request {
    std::wstring host;
    std::uint16_t port;
    std::wstring verb;
    std::wstring object;
    std::uint32_t flags;
  };
  std::vector<Open> opens;  // every WinHttpOpen, refused ones included
  std::vector<Option> options;
  std::vector<Request> requests;
  std::vector<std::uint32_t> readSizes;  // toRead of every WinHttpReadData
  std::set<const void*> readBuffers;     // every buffer WinHttpReadData filled
  int openHandles = 0;

  platform::HttpHandle WinHttpOpen(const wchar_t* userAgent, std::uint32_t accessType,
                                   const wchar_t*, const wchar_t*, std::uint32_t) override;
  bool WinHttpSetOption(platform::HttpHandle handle, std::uint32_t option, const void* buffer,
                        std::uint32_t length) override;
  bool WinHttpCrackUrl(const std::wstring& url, std::uint32_t flags,
                       platform::UrlComponents& components) override;
  platform::HttpHandle WinHttpConnect(platform::HttpHandle session, const wchar_t* serverName,
                                      std::uint16_t port, std::uint32_t) override;
  platform::HttpHandle WinHttpOpenRequest(platform::HttpHandle connection, const wchar_t* verb,
                                          const wchar_t* objectName, const wchar_t*,
                                          const wchar_t*, const wchar_t* const*,
                                          std::uint32_t flags) override;
  bool WinHttpAddRequestHeaders(platform::HttpHandle, const wchar_t*, std::uint32_t,
                                std::uint32_t) override;
  bool WinHttpSendRequest(platform::HttpHandle request, const wchar_t*, std::uint32_t,
                          const void*, std::uint32_t, std::uint32_t, std::uintptr_t) override;
  bool WinHttpReceiveResponse(platform::HttpHandle request, void*) override;
  bool WinHttpQueryHeaders(platform::HttpHandle request, std::uint32_t infoLevel,
                           const wchar_t* name, void* buffer, std::uint32_t& bufferLength,
                           std::uint32_t* index) override;
  bool WinHttpQueryDataAvailable(platform::HttpHandle request, std::uint32_t& available) override;
  bool WinHttpReadData(platform::HttpHandle request, void* buffer, std::uint32_t toRead,
                       std::uint32_t& read) override;
  bool WinHttpCloseHandle(platform::HttpHandle handle) override;
  std::uint32_t LastError() override { return lastError_; }

 private:
  struct Handle {
    std::string kind;  // session, connection, request
    std::wstring host;
    std::uint16_t port = 0;
    bool secure = false;
    std::wstring object;
    const ScriptedAnswer* answer = nullptr;
    std::size_t offset = 0;
  };
  bool Fails(const char* call);
  platform::HttpHandle Make(Handle handle);
  Handle* Find(platform::HttpHandle handle, const char* kind);

  ScriptedWeb& web_;
  std::map<std::uintptr_t, Handle> handles_;
  std::uintptr_t next_ = 0x100;
  std::uint32_t lastError_ = 0;
};

class FakeWinInet : public platform::WinInet {
 public:
  explicit FakeWinInet(ScriptedWeb& web) : web_(web) {}

  std::map<std::string, std::uint32_t> failures;  // call name → error
  // What GetLastError holds after a successful status query.
  std::uint32_t errorAfterStatusQuery = 0;
  // InternetOpenUrlW, as asked (not the redirects WinINet follows itself,
  // which it does unless INTERNET_FLAG_NO_AUTO_REDIRECT is given).
  std::vector<std::wstring> openedUrls;
  std::vector<std::uint32_t> urlFlags;
  std::vector<std::wstring> agents;
  std::vector<std::uint32_t> readSizes;  // toRead of every InternetReadFile
  std::set<const void*> readBuffers;     // every buffer InternetReadFile filled
  int openHandles = 0;

  platform::InternetHandle InternetOpenW(const wchar_t* agent, std::uint32_t accessType,
                                         const wchar_t*, const wchar_t*, std::uint32_t) override;
  platform::InternetHandle InternetOpenUrlW(platform::InternetHandle session, const wchar_t* url,
                                            const wchar_t*, std::uint32_t, std::uint32_t flags,
                                            std::uintptr_t) override;
  bool HttpQueryInfoW(platform::InternetHandle request, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t& bufferLength, std::uint32_t*) override;
  bool InternetReadFile(platform::InternetHandle file, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override;
  bool InternetCloseHandle(platform::InternetHandle handle) override;
  std::uint32_t LastError() override { return lastError_; }

 private:
  struct Handle {
    bool session = true;
    const ScriptedAnswer* answer = nullptr;
    std::size_t offset = 0;
  };
  bool Fails(const char* call);

  ScriptedWeb& web_;
  std::map<std::uintptr_t, Handle> handles_;
  std::uintptr_t next_ = 0x9000;
  std::uint32_t lastError_ = 0;
};

// Files kept in memory; existence is shared with a FakeFileSystem (its
// `files` and `directories`), so RemoveFile there deletes them here too.
class FakeFileStreams : public platform::FileStreams {
 public:
  explicit FakeFileStreams(FakeFileSystem& files) : files_(files) {}

  std::map<std::wstring, std::string> contents;
  // Writes fail with this error once a file holds this many bytes.
  std::optional<std::size_t> writeLimit;
  std::uint32_t writeError = 112;  // ERROR_DISK_FULL
  std::vector<std::size_t> writeSizes;  // size of every Write, refused ones included
  std::set<std::wstring> unreadable;  // QueryFileSize fails with 5
  int openFiles = 0;
  int createCount = 0;

  std::unique_ptr<platform::WritableFile> CreateForWriting(const std::wstring& path,
                                                           std::uint32_t& error) override;
  bool QueryFileSize(const std::wstring& path, std::uint64_t& size,
                     std::uint32_t& error) override;
  bool Exists(const std::wstring& path) const { return files_.files.count(path) == 1; }

 private:
  FakeFileSystem& files_;
};

// "<text of CODE>\r\n" for every code.
class FakeSystemMessages : public platform::SystemMessages {
 public:
  std::wstring SystemMessageText(std::uint32_t code) override {
    return L"<text of " + std::to_wstring(code) + L">\r\n";
  }
};

class RecordingProgress : public ProgressSink {
 public:
  struct Message {
    std::uint32_t message;
    std::uintptr_t wParam;
    bool operator==(const Message& other) const {
      return message == other.message && wParam == other.wParam;
    }
  };
  std::vector<Message> posted;
  void Post(std::uint32_t message, std::uintptr_t wParam) override {
    posted.push_back({message, wParam});
  }
  std::vector<std::uintptr_t> Percents() const;
  int Count(std::uint32_t message) const;
};
