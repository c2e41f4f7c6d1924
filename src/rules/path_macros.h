// Machine-dependent folders named in file paths as "{name}": the table of
// macros and the single substitution pass that expands them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/system_info.h"

// Macro name (without braces) → value, in expansion order.
using PathMacroTable = std::vector<std::pair<std::wstring, std::wstring>>;

// Builds the table for this machine: "commonpf" (the text "{commonpf64}"
// under WOW64, "{commonpf32}" otherwise, resolved by the same pass),
// "localappdata", "commonappdata" (the roaming application data folder),
// "programdata", "commonpf32" (Program Files (x86); the only Program Files
// on 32-bit Windows) and, under WOW64 only, "commonpf64" from the
// "ProgramW6432" environment variable. A folder that cannot be read is
// empty text; an unusable "ProgramW6432" leaves "commonpf64" out.
PathMacroTable BuildPathMacroTable(platform::SystemInfo& system);

// Replaces every "{name}" of each table entry, in table order, by its value:
// one pass, case-sensitive; unknown macros stay as they are.
std::wstring ExpandPathMacros(const std::wstring& text, const PathMacroTable& table);
