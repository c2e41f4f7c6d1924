// Analytics reports: the event codes and the request body. Sending is done
// by Package::ReportEvent (config/package.h), one detached thread per report.
#pragma once

#include <cstdint>
#include <string>

#include "json/json_value.h"

constexpr std::int32_t kEventFailed = -1;    // a download or an installer failed
constexpr std::int32_t kEventFirstPage = 1;  // the main product's first page was confirmed
constexpr std::int32_t kEventRejected = 2;   // an offer was rejected or skipped
constexpr std::int32_t kEventInstalled = 3;  // an installer finished
constexpr std::int32_t kEventDeclined = 4;   // Decline or Skip All on an offer page
constexpr std::int32_t kEventClosing = 5;    // the wizard is closing

// Two attempts, this long apart (and the same pause after a failed second
// attempt, which is what a closing wizard waits for).
constexpr int kEventAttempts = 2;
constexpr std::uint32_t kEventRetryPauseMs = 5000;

// After a final code was delivered, a package reports nothing more.
bool IsFinalEvent(std::int32_t code);

// The payload of one report: `payload` with "6" set to the code and every
// member of `extra` (an object; null adds nothing) copied over it.
JsonValue BuildEventData(const JsonValue& payload, std::int32_t code, const JsonValue& extra);

// {"data": <data written compactly, as a string>, "table": "zb_analytics"},
// written compactly with its members in ascending order (see
// json/compact_json.h). Text that is not UTF-8 (an ANSI setting) is
// replaced rather than losing the report.
std::string BuildEventBody(const JsonValue& data);

class ConfigurationManager;

// The close reports: code 5 to each shown offer in order, waiting until that
// package's reports are done before the next, then the same for the main
// product when there is one, then the rejected offers' reports (nothing new
// is sent for them). Blocks without a time-out.
void ReportClosing(ConfigurationManager& settings);
