// Identity values the installer sends about itself and the machine. Every
// function reports failure as empty text; nothing is retried.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/system_info.h"

// "a.b.c.d" from the executable's own version resource.
std::string GetProgramVersion(platform::SystemInfo& system);
// "major.minor.build" from RtlGetVersion.
std::string GetOsVersion(platform::SystemInfo& system);
// True on 64-bit Windows (the installer runs under WOW64).
bool IsWow64(platform::SystemInfo& system);
// The 7-character code (containing "-") after the last "_" of the
// executable's file name, without its extension; empty otherwise.
std::wstring GetDownloadCode(platform::SystemInfo& system);
std::wstring DownloadCodeFromPath(const std::wstring& executablePath);
// Milliseconds since 1970-01-01 UTC, decimal.
std::string GetEpochMillis(platform::Clock& clock);

// Uncached computations behind ConfigurationManager's GetSessionId and
// GetMachineGuid: local start time "%Y%m%d%H%M%S", and the machine's
// cryptography GUID from the 64-bit registry view.
std::string ComputeSessionId(platform::Clock& clock);
std::string ReadMachineGuid(platform::Registry& registry);
