#include "json/compact_json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when it is not one;
// `invalid` is then how many bytes to replace (the maximal prefix of a
// sequence that could have been valid, at least one byte).
std::size_t Utf8Sequence(const std::string& text, std::size_t at, std::size_t& invalid) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    invalid = 1;
    return 0;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (at + k >= text.size()) {
      invalid = k;
      return 0;
    }
    const unsigned char next = byte(at + k);
    const bool fits = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
    if (!fits) {
      invalid = k;
      return 0;
    }
  }
  return length;
}

void AppendString(std::string& out, const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    std::size_t invalid = 0;
    const std::size_t length = Utf8Sequence(text, i, invalid);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      i += invalid;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  out += '"';
}

void Append(std::string& out, const JsonValue& value) {
  switch (value.type()) {
    case JsonValue::Type::kObject: {
      out += '{';
      bool first = true;
      for (const JsonMember& member : value.Members()) {
        if (!first) out += ',';
        first = false;
        AppendString(out, member.key);
        out += ':';
        Append(out, member.value);
      }
      out += '}';
      break;
    }
    case JsonValue::Type::kArray: {
      out += '[';
      bool first = true;
      for (const JsonValue& element : value.Elements()) {
        if (!first) out += ',';
        first = false;
        Append(out, element);
      }
      out += ']';
      break;
    }
    case JsonValue::Type::kString: AppendString(out, value.String()); break;
    case JsonValue::Type::kBoolean: out += value.Boolean() ? "true" : "false"; break;
    case JsonValue::Type::kInteger: out += std::to_string(value.IntegerBits()); break;
    case JsonValue::Type::kUnsigned: out += std::to_string(value.UnsignedBits()); break;
    case JsonValue::Type::kFloat: {
      const double number = value.Number();
      if (!std::isfinite(number)) {
        out += "null";
        break;
      }
      char text[32] = {};
#ifdef _WIN32
      // The system C library's formatter: the C++ library's snprintf would
      // bring mingw's own (with its big-number conversions, about 20 KB)
      // into the installer for a value reports never carry in practice.
      // It writes three exponent digits ("1e-005"), still valid JSON.
      _snprintf(text, sizeof text - 1, "%.17g", number);
#else
      std::snprintf(text, sizeof text, "%.17g", number);
#endif
      out += text;
      break;
    }
    default: out += "null"; break;
  }
}

}  // namespace

std::string CompactJson(const JsonValue& value) {
  std::string out;
  Append(out, value);
  return out;
}
