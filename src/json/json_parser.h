// Strict JSON text (RFC 8259) into a JsonValue.
#pragma once

#include <string_view>

#include "json/json_value.h"

// Arrays and objects nested deeper than this are refused (the parser, a
// copy and the writer recurse once per level).
constexpr int kJsonParserMaxDepth = 256;

// One document, with nothing but whitespace after it (or a zero byte, after
// which nothing is read); a UTF-8 byte order mark before it is skipped. No
// comments, no trailing commas; strings must be valid UTF-8, \u escapes
// must pair their surrogates. Numbers: an integer without fraction or
// exponent is unsigned 64-bit when not negative, signed 64-bit when
// negative; one that fits neither, or one with a fraction or exponent, is a
// double. Duplicate keys: the last one counts.
// Throws JsonParseError for malformed text (or nesting deeper than
// `maxDepth`) and JsonError for a number beyond the range of a double.
JsonValue ParseJson(std::string_view text, int maxDepth = kJsonParserMaxDepth);
