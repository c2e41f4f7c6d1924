// The configuration response: the server's body through ApiManager's parse,
// and through the JSON client's body reading in WinHTTP-sized chunks.
//
// Input: [status byte][chunking byte][body...]
//   status byte: bit 7 clear → 200; set → 100 + 4 * (low 7 bits), 100..608.
//   chunking byte: low 6 bits the chunk size (0: the body in one chunk);
//   bit 6: the second chunk's read fails; bit 7: the query after the last
//   chunk fails instead of reporting the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/api_manager.h"
#include "config/http_json_client.h"
#include "config/vellam_exception.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_platform.h"
#include "fakes/recording_winhttp.h"
#include "json/compact_json.h"
#include "json/json_parser.h"
#include "json/json_value.h"

#include "../shared/json_support.h"

namespace {

// Answers every request with the same status and body.
class FixedSender : public JsonSender {
 public:
  std::uint32_t status = 200;
  std::string body;
  int calls = 0;

  bool SendJson(const std::wstring&, const std::string&, const HeaderList&,
                std::string& response, std::uint32_t& answered) override {
    ++calls;
    response += body;
    answered = status;
    return true;
  }
};

struct Fixture {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  std::shared_ptr<ConfigurationManager> settings;

  Fixture() {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productId = L"PellioClassic";
    constants.configHost = L"cdn.test";
    settings = std::make_shared<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, dialogs});
    settings->localeName = L"en-US";
  }
};

void Check(bool condition) {
  if (!condition) std::abort();
}

void ParseThroughApiManager(Fixture& fixture, std::uint32_t status, const std::string& body) {
  FixedSender sender;
  sender.status = status;
  sender.body = body;
  ApiManager api([&fixture] { return fixture.settings; },
                 ApiPlatform{sender, fixture.system, fixture.codePages, fixture.clock});
  try {
    const JsonValue document = api.GetConfiguration();
    // What was parsed survives being written and read again.
    Check(HasFloat(document) || ParseJson(CompactJson(document)) == document);
  } catch (const VellamException&) {
  } catch (const JsonError&) {
  }
  // Three attempts while the status stays outside 200..399, one otherwise.
  Check(sender.calls == (status >= 200 && status <= 399 ? 1 : 3));
}

void ReadThroughJsonClient(Fixture& fixture, std::uint32_t status, std::uint8_t chunking,
                           const std::string& body) {
  RecordingWinHttp http;
  http.statusCode = status;
  const std::size_t size = chunking & 0x3F;
  std::string expected;
  bool readFailed = false;
  for (std::size_t at = 0; at < body.size();) {
    RecordingWinHttp::Chunk chunk;
    chunk.data = body.substr(at, size == 0 ? std::string::npos : size);
    at += chunk.data.size();
    chunk.readFails = (chunking & 0x40) && http.chunks.size() == 1;
    // A failed read ends the body; before it, each read (at most one block)
    // contributes its text up to its first zero byte.
    readFailed = readFailed || chunk.readFails;
    for (std::size_t piece = 0; !readFailed && piece < chunk.data.size(); piece += kJsonReadBlock) {
      const std::string read = chunk.data.substr(piece, kJsonReadBlock);
      expected += read.substr(0, read.find('\0'));
    }
    http.chunks.push_back(chunk);
  }
  if (chunking & 0x80) {
    RecordingWinHttp::Chunk failing;
    failing.queryFails = true;
    http.chunks.push_back(failing);
  }

  HttpJsonClient client(http, fixture.system);  // diagnostics dropped
  std::string response;
  std::uint32_t answered = 0;
  const bool sent = client.SendJson(L"https://cdn.test/o", "{}", HeaderList(), response, answered);
  Check(sent);
  Check(answered == status);
  Check(response == expected);
  Check(http.openHandles == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  Fixture fixture;
  const std::uint32_t status = (data[0] & 0x80) ? 100u + 4u * (data[0] & 0x7Fu) : 200u;
  const std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
  ParseThroughApiManager(fixture, status, body);
  ReadThroughJsonClient(fixture, status, data[1], body);
  return 0;
}
