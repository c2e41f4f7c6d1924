// The configuration request: who this installer is, posted to the
// configuration endpoint; the answer is the configuration document.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "json/json_value.h"
#include "platform/clock.h"
#include "platform/code_pages.h"
#include "platform/system_info.h"

// Arrays and objects may nest this deep in a configuration, no deeper.
constexpr int kMaxJsonNesting = 64;

struct ApiPlatform {
  JsonSender& sender;
  platform::SystemInfo& system;
  platform::CodePages& codePages;
  platform::Clock& clock;  // the waits between attempts
};

class ApiManager {
 public:
  // `settings` hands out the settings object for each request.
  ApiManager(std::function<std::shared_ptr<ConfigurationManager>()> settings,
             ApiPlatform platform);
  ApiManager(const ApiManager&) = delete;
  ApiManager& operator=(const ApiManager&) = delete;

  // Posts the request (up to three attempts, 5 s apart, while the status is
  // outside 200..399) and parses the last answer with every whitespace byte
  // removed. Throws VellamException (no endpoint, no response, empty answer,
  // an answer above kMaxJsonResponseBytes or nested deeper than
  // kMaxJsonNesting, any other JSON failure such as a number beyond a
  // double) or JsonParseError for malformed text, and nothing else. Blocks:
  // background threads only.
  JsonValue GetConfiguration();

 private:
  JsonValue FetchConfiguration();

  std::function<std::shared_ptr<ConfigurationManager>()> settings_;
  ApiPlatform platform_;
};

// The request object: "prv", "plv", "l", "a", "i", "s", "u", "o", every text
// in UTF-8.
JsonValue BuildConfigurationRequest(const ConfigurationManager& settings,
                                    platform::SystemInfo& system, platform::CodePages& codePages);

// The text without any space, tab, line feed, vertical tab, form feed or
// carriage return, wherever they stand (inside JSON strings too).
std::string StripWhitespace(const std::string& text);
