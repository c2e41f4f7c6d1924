// The analytics payload skeleton every report of a package starts from, and
// the signed header it is sent with.
#pragma once

#include "config/configuration_manager.h"
#include "config/http_json_client.h"
#include "json/json_value.h"
#include "platform/code_pages.h"
#include "platform/system_info.h"

struct EventTemplate {
  // An empty payload and no header (a package that reports nothing useful).
  EventTemplate() = default;
  // Keys "0" to "22" empty, then the identity and product keys filled from
  // `settings` (UTF-16 texts through the ANSI code page); one header,
  // ("Authorization", "Signature=" + SHA-256 of machine GUID + session id).
  EventTemplate(ConfigurationManager& settings, platform::SystemInfo& system,
                platform::CodePages& codePages);

  JsonValue payload = JsonValue::MakeObject();
  HeaderList headers;
};
