// The download clients' handling of what a server answers: status,
// Location, Content-Length and the body in pieces, over the scripted web.
// The WinHTTP file client, the in-memory download and the WinINet client
// each fetch one URL from the same script.
//
// Input: answers, one after another until the input ends:
//   [status][flags]{location}{content length}[body length: 2 bytes LE][body]
//   status: low 4 bits pick from kStatuses; bit 4 set: the next 2 bytes (LE)
//     are the status instead.
//   flags: bit 0 a Location follows: [selector] where selector < 0xF0 picks
//     from kLocations, else [length][length bytes] as the text itself;
//     bits 1-2 Content-Length: 0 none, 1 the body's length, 2 the next 4
//     bytes (LE); bit 3 reading fails after the body; bits 4-7 the piece
//     size index into kPieces.
// Every URL in kLocations is answered with the whole script, in turn.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/scripted_web.h"
#include "install/download_clients.h"

namespace {

constexpr std::uint32_t kStatuses[] = {200, 200, 201, 204, 206, 299, 300, 301,
                                       302, 303, 307, 308, 399, 404, 500, 199};
const wchar_t* const kLocations[] = {
    L"http://h.test/f.exe",         L"https://h.test/f.exe", L"http://h.test:8080/next?x=1",
    L"HTTPS://h.test/next",         L"/relative",            L"ftp://h.test/f.exe",
    L"",                            L"http://",              L"https://h.test:99999/f.exe",
    L"http://h.test/next#fragment",
};
constexpr std::size_t kPieces[] = {1000, 1, 2, 3, 7, 64, 4095, 4096, 4097, 8192, 65536, 5, 1000,
                                   1000, 1000, 1000};
const wchar_t kStart[] = L"http://h.test/f.exe";
const wchar_t kFolder[] = L"C:\\dl";
const wchar_t kPath[] = L"C:\\dl\\f.exe";

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Number(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return value;
  }
  std::string Bytes(std::size_t count) {
    const std::size_t taken = std::min(count, size_ - std::min(at_, size_));
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), taken);
    at_ += taken;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::vector<ScriptedAnswer> DecodeScript(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  std::vector<ScriptedAnswer> script;
  while (!in.Done() && script.size() < 16) {
    ScriptedAnswer answer;
    const std::uint8_t status = in.Byte();
    answer.status = (status & 0x10) ? in.Number(2) : kStatuses[status & 0x0F];
    const std::uint8_t flags = in.Byte();
    if (flags & 0x01) {
      const std::uint8_t selector = in.Byte();
      if (selector < 0xF0) {
        answer.location = kLocations[selector % (sizeof kLocations / sizeof kLocations[0])];
      } else {
        const std::string text = in.Bytes(in.Byte() * 4u);  // up to 1020 characters
        answer.location = std::wstring(text.begin(), text.end());
      }
    }
    switch ((flags >> 1) & 0x03) {
      case 0: answer.announceLength = false; break;
      case 2: answer.contentLength = in.Number(4); break;
      default: break;  // the body's own length
    }
    if (flags & 0x08) answer.dropError = 12002;  // ERROR_WINHTTP_TIMEOUT
    answer.pieceSize = kPieces[flags >> 4];
    answer.body = in.Bytes(in.Number(2));
    script.push_back(answer);
  }
  return script;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

struct World {
  ScriptedWeb web;
  FakeWinHttp http{web};
  FakeWinInet inet{web};
  FakeFileSystem files;
  FakeFileStreams streams{files};
  FakeSystemInfo system;
  FakeSystemMessages messages;
  FakeDialogs dialogs;
  FakeClock clock;
  RecordingProgress progress;
  DownloadPlatform platform{http, inet, files, streams, system, messages, dialogs, clock};

  explicit World(const std::vector<ScriptedAnswer>& script) {
    for (const wchar_t* url : kLocations) web.answers[url] = script;
    files.directories = {kFolder};
  }
};

bool IsScriptedBody(const std::vector<ScriptedAnswer>& script, const std::string& bytes) {
  for (const ScriptedAnswer& answer : script) {
    if (answer.body == bytes) return true;
  }
  return false;
}

// Progress only moves forward and never past full.
void CheckProgress(const RecordingProgress& progress) {
  std::uintptr_t last = 0;
  for (const std::uintptr_t percent : progress.Percents()) {
    Check(percent >= last && percent <= 100);
    last = percent;
  }
}

void CheckFileResult(const World& world, const DownloadResult& result, const wchar_t* tag,
                     const std::vector<ScriptedAnswer>& script) {
  if (result.ok) {
    Check(result.errorText.empty());
    // The file holds one whole answer's body, never a mix of attempts.
    const auto content = world.streams.contents.find(kPath);
    Check(content != world.streams.contents.end() && IsScriptedBody(script, content->second));
  } else {
    Check(result.errorText.compare(0, std::wstring(tag).size(), tag) == 0);
  }
  Check(world.streams.openFiles == 0);
  CheckProgress(world.progress);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<ScriptedAnswer> script = DecodeScript(data, size);
  const std::atomic<bool> stop{false};
  {
    World world(script);
    const DownloadResult result =
        FetchFileWithWinHttp(world.platform, stop, kStart, &world.progress, kPath);
    CheckFileResult(world, result, L"[WINHTTP] ", script);
    Check(world.http.openHandles == 0);
    Check(world.http.requests.size() <= 6);  // the first request and five redirects
  }
  {
    World world(script);
    const std::vector<std::uint8_t> bytes = FetchToMemory(world.platform, stop, kStart);
    Check(bytes.empty() || IsScriptedBody(script, std::string(bytes.begin(), bytes.end())));
    Check(world.http.openHandles == 0);
    Check(world.http.requests.size() <= 7);  // two attempts share one redirect count
  }
  {
    World world(script);
    const DownloadResult result =
        FetchFileWithWinInet(world.platform, kStart, &world.progress, kPath);
    CheckFileResult(world, result, L"[WININET] ", script);
    Check(world.inet.openHandles == 0);
  }
  return 0;
}
