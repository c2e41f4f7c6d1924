#include "config/api_manager.h"

#include <algorithm>
#include <utility>

#include "config/identity.h"
#include "config/vellam_exception.h"

namespace {

constexpr int kAttempts = 3;
constexpr std::uint32_t kRetryWaitMs = 5000;

// A failed conversion sends empty text; the values are ASCII in practice.
std::string Narrow(platform::CodePages& codePages, std::uint32_t codePage,
                   const std::wstring& text) {
  std::string out;
  if (!codePages.FromWide(codePage, text, out)) out.clear();
  return out;
}

std::wstring LanguageOf(const std::wstring& localeName) {
  std::wstring language = localeName.substr(0, 2);
  for (wchar_t& c : language) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return language;
}

}  // namespace

nlohmann::json BuildConfigurationRequest(const ConfigurationManager& settings,
                                         platform::SystemInfo& system,
                                         platform::CodePages& codePages) {
  const std::uint32_t thread = platform::kCpThreadAcp;
  nlohmann::json request = nlohmann::json::object();
  request["prv"] = "0.1";
  request["plv"] = Narrow(codePages, thread, settings.programVersion);
  request["l"] = Narrow(codePages, thread, LanguageOf(settings.localeName));
  request["a"] = Narrow(codePages, thread, settings.publisher);
  request["i"] = Narrow(codePages, thread, settings.productId);
  request["s"] = Narrow(codePages, thread, settings.stubId);
  request["u"] = Narrow(codePages, platform::kCpAcp, GetDownloadCode(system));
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

nlohmann::json ApiManager::GetConfiguration() {
  const std::shared_ptr<ConfigurationManager> settings = settings_();
  if (!settings || settings->configUrl.empty()) throw VellamException();

  const nlohmann::json request =
      BuildConfigurationRequest(*settings, platform_.system, platform_.codePages);
  std::string response;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Each attempt starts afresh, so a failed attempt's body never mixes in.
    response.clear();
    std::uint32_t status = 0;
    platform_.sender.SendJson(settings->configUrl, request.dump(), HeaderList(), response, status);
    if (status - 200u <= 199u) break;
    platform_.clock.Wait(kRetryWaitMs);
  }

  const std::string text = StripWhitespace(response);
  if (text.empty()) throw VellamException();
  nlohmann::json document = nlohmann::json::parse(text);
  if (document.is_discarded()) throw VellamException();
  return document;
}
