#include "config/api_manager.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "config/identity.h"
#include "config/vellam_exception.h"
#include "json/compact_json.h"
#include "json/json_parser.h"

namespace {

constexpr int kAttempts = 3;
constexpr std::uint32_t kRetryWaitMs = 5000;

// JSON text is UTF-8, whatever the ANSI code page: an ANSI byte above 0x7F
// (a file named "Pellio_ab1-cdé.exe" on a Western system) is not valid
// UTF-8 and could not be serialised at all. A failed conversion sends empty
// text.
std::string Utf8(platform::CodePages& codePages, const std::wstring& text) {
  std::string out;
  if (!codePages.FromWide(platform::kCpUtf8, text, out)) out.clear();
  return out;
}

// Whether no array or object in `text` lies deeper than `limit`. Strings
// are skipped (with their escapes), so brackets inside them do not count.
// Checked before parsing so that a hostile answer never reaches the
// parser's and the document's recursion.
bool NestingWithin(const std::string& text, int limit) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

std::wstring LanguageOf(const std::wstring& localeName) {
  std::wstring language = localeName.substr(0, 2);
  for (wchar_t& c : language) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return language;
}

}  // namespace

JsonValue BuildConfigurationRequest(const ConfigurationManager& settings,
                                    platform::SystemInfo& system, platform::CodePages& codePages) {
  JsonValue request = JsonValue::MakeObject();
  request["prv"] = "0.1";
  request["plv"] = Utf8(codePages, settings.programVersion);
  request["l"] = Utf8(codePages, LanguageOf(settings.localeName));
  request["a"] = Utf8(codePages, settings.publisher);
  request["i"] = Utf8(codePages, settings.productId);
  request["s"] = Utf8(codePages, settings.stubId);
  request["u"] = Utf8(codePages, GetDownloadCode(system));
  request["o"] = GetOsVersion(system);
  return request;
}

std::string StripWhitespace(const std::string& text) {
  std::string stripped;
  stripped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case ' ':
      case '\t':
      case '\n':
      case '\v':
      case '\f':
      case '\r':
        break;
      default:
        stripped += c;
    }
  }
  return stripped;
}

ApiManager::ApiManager(std::function<std::shared_ptr<ConfigurationManager>()> settings,
                       ApiPlatform platform)
    : settings_(std::move(settings)), platform_(platform) {}

JsonValue ApiManager::GetConfiguration() {
  try {
    return FetchConfiguration();
  } catch (const JsonParseError&) {
    throw;
  } catch (const JsonError& error) {
    // Any other JSON failure is this layer's own, like every other reason
    // the request can end.
    throw VellamException(std::string("Configuration request: ") + error.what());
  } catch (const std::bad_alloc&) {
    throw VellamException("Configuration request: out of memory");
  }
}

JsonValue ApiManager::FetchConfiguration() {
  const std::shared_ptr<ConfigurationManager> settings = settings_();
  if (!settings || settings->configUrl.empty()) throw VellamException();

  const JsonValue request =
      BuildConfigurationRequest(*settings, platform_.system, platform_.codePages);
  // Never throws on text: anything that is not UTF-8 is replaced.
  const std::string body = CompactJson(request);
  std::string response;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Each attempt starts afresh, so a failed attempt's body never mixes in.
    response.clear();
    std::uint32_t status = 0;
    platform_.sender.SendJson(settings->configUrl, body, HeaderList(), response, status);
    if (status - 200u <= 199u) break;
    platform_.clock.Wait(kRetryWaitMs);
  }

  if (response.size() > kMaxJsonResponseBytes) {
    throw VellamException("Configuration larger than " + std::to_string(kMaxJsonResponseBytes) +
                          " bytes");
  }
  const std::string text = StripWhitespace(response);
  if (text.empty()) throw VellamException();
  if (!NestingWithin(text, kMaxJsonNesting)) {
    throw VellamException("Configuration nested deeper than " + std::to_string(kMaxJsonNesting) +
                          " levels");
  }
  return ParseJson(text);
}
