#include "json/json_parser.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace {

// Powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactPower = 22;
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
// Significant digits kept; the rest only tell whether the figure is exact.
constexpr int kMaxDigits = 19;

// mantissa x 10^exponent. Exact (correctly rounded) when the mantissa has
// at most 53 bits and the exponent is within +-22, which covers every
// figure a configuration carries. Beyond that each scaling step rounds
// once, a few units in the last place at worst: the values are only ever
// truncated to integers and saturated, and a figure that far out either
// saturates or truncates to zero, so no byte of the shipped executable goes
// to a full decimal conversion.
double DecimalToDouble(std::uint64_t mantissa, bool exact, int exponent) {
  double value = static_cast<double>(mantissa);
  if (mantissa == 0) return 0;
  if (exact && mantissa <= kMaxExactMantissa && exponent >= -kMaxExactPower &&
      exponent <= kMaxExactPower) {
    return exponent >= 0 ? value * kExactPowers[exponent] : value / kExactPowers[-exponent];
  }
  while (exponent > kMaxExactPower && std::isfinite(value)) {
    value *= kExactPowers[kMaxExactPower];
    exponent -= kMaxExactPower;
  }
  while (exponent < -kMaxExactPower && value != 0) {
    value /= kExactPowers[kMaxExactPower];
    exponent += kMaxExactPower;
  }
  if (exponent > kMaxExactPower || exponent < -kMaxExactPower) return value;
  return exponent >= 0 ? value * kExactPowers[exponent] : value / kExactPowers[-exponent];
}

class Parser {
 public:
  Parser(std::string_view text, int maxDepth) : text_(text), maxDepth_(maxDepth) {}

  JsonValue Document() {
    // A byte order mark is skipped; a broken one is an error.
    if (!text_.empty() && static_cast<unsigned char>(text_[0]) == 0xEF) {
      if (text_.substr(0, 3) != "\xEF\xBB\xBF") Fail("invalid byte order mark");
      at_ = 3;
    }
    SkipWhitespace();
    JsonValue value = Value(0);
    SkipWhitespace();
    // A zero byte ends the text where the next token would start, as C
    // strings do; what follows it is not read.
    if (at_ != text_.size() && text_[at_] != '\0') Fail("unexpected text after the document");
    return value;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw JsonParseError("parse error at byte " + std::to_string(at_ + 1) + ": " + what);
  }

  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

  void SkipWhitespace() {
    while (!AtEnd()) {
      const char c = text_[at_];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++at_;
    }
  }

  void Expect(char c) {
    if (AtEnd() || text_[at_] != c) Fail("unexpected character");
    ++at_;
  }

  void Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) Fail("invalid literal");
    at_ += word.size();
  }

  JsonValue Value(int depth) {
    switch (Peek()) {
      case '{': return Object(depth + 1);
      case '[': return Array(depth + 1);
      case '"': return JsonValue(String());
      case 't': Literal("true"); return JsonValue(true);
      case 'f': Literal("false"); return JsonValue(false);
      case 'n': Literal("null"); return JsonValue();
      default: return Number();
    }
  }

  void Enter(int depth) const {
    if (depth > maxDepth_) Fail("nesting too deep");
  }

  JsonValue Object(int depth) {
    Enter(depth);
    ++at_;  // '{'
    JsonValue::Object members;
    SkipWhitespace();
    if (Peek() == '}') {
      ++at_;
      return JsonValue::MakeObject();
    }
    for (;;) {
      SkipWhitespace();
      if (Peek() != '"') Fail("object key expected");
      std::string key = String();
      SkipWhitespace();
      Expect(':');
      SkipWhitespace();
      JsonValue value = Value(depth);
      members.push_back(JsonMember{std::move(key), std::move(value)});
      SkipWhitespace();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      Expect('}');
      return JsonValue::FromMembers(std::move(members));
    }
  }

  JsonValue Array(int depth) {
    Enter(depth);
    ++at_;  // '['
    JsonValue::Array elements;
    SkipWhitespace();
    if (Peek() == ']') {
      ++at_;
      return JsonValue::MakeArray();
    }
    for (;;) {
      SkipWhitespace();
      elements.push_back(Value(depth));
      SkipWhitespace();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      Expect(']');
      return JsonValue::MakeArray(std::move(elements));
    }
  }

  unsigned Hex4() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = Peek();
      unsigned digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        Fail("invalid \\u escape");
      }
      value = value * 16 + digit;
      ++at_;
    }
    return value;
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  unsigned Escape() {
    const char c = Peek();
    ++at_;
    switch (c) {
      case '"': return '"';
      case '\\': return '\\';
      case '/': return '/';
      case 'b': return '\b';
      case 'f': return '\f';
      case 'n': return '\n';
      case 'r': return '\r';
      case 't': return '\t';
      case 'u': {
        const unsigned code = Hex4();
        if (code >= 0xDC00 && code <= 0xDFFF) Fail("lone low surrogate");
        if (code < 0xD800 || code > 0xDBFF) return code;
        if (text_.substr(at_, 2) != "\\u") Fail("high surrogate without its low half");
        at_ += 2;
        const unsigned low = Hex4();
        if (low < 0xDC00 || low > 0xDFFF) Fail("high surrogate without its low half");
        return 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      }
      default: --at_; Fail("invalid escape");
    }
  }

  // One well-formed UTF-8 sequence (no overlong forms, no surrogates,
  // nothing above U+10FFFF) copied to `out`.
  void Utf8Sequence(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      Fail("invalid UTF-8");
    }
    for (std::size_t k = 1; k < length; ++k) {
      if (at_ + k >= text_.size()) Fail("invalid UTF-8");
      const auto next = static_cast<unsigned char>(text_[at_ + k]);
      if (k == 1 ? next < low || next > high : next < 0x80 || next > 0xBF) Fail("invalid UTF-8");
    }
    out.append(text_.data() + at_, length);
    at_ += length;
  }

  std::string String() {
    ++at_;  // '"'
    std::string out;
    for (;;) {
      if (AtEnd()) Fail("unterminated string");
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return out;
      }
      if (c == '\\') {
        ++at_;
        AppendUtf8(out, Escape());
      } else if (c < 0x20) {
        Fail("control character in string");
      } else if (c < 0x80) {
        out += static_cast<char>(c);
        ++at_;
      } else {
        Utf8Sequence(out);
      }
    }
  }

  bool Digit() const { return !AtEnd() && text_[at_] >= '0' && text_[at_] <= '9'; }

  JsonValue Number() {
    const std::size_t start = at_;
    const bool negative = Peek() == '-';
    if (negative) ++at_;
    if (!Digit()) Fail("invalid value");

    std::uint64_t mantissa = 0;
    int digits = 0;        // significant digits in the mantissa
    bool exact = true;     // no non-zero digit dropped
    int exponent = 0;      // of the mantissa's last digit
    bool overflow = false;  // the integer does not fit 64 bits
    const auto take = [&](int digit, bool fraction) {
      if (digits == 0 && digit == 0) {
        if (fraction) --exponent;
        return;
      }
      if (digits < kMaxDigits) {
        mantissa = mantissa * 10 + static_cast<unsigned>(digit);
        ++digits;
        if (fraction) --exponent;
      } else {
        if (digit != 0) exact = false;
        if (!fraction) ++exponent;
      }
    };

    std::uint64_t integer = 0;
    if (text_[at_] == '0') {
      ++at_;
    } else {
      while (Digit()) {
        const int digit = text_[at_] - '0';
        if (integer > (UINT64_MAX - static_cast<unsigned>(digit)) / 10) overflow = true;
        integer = integer * 10 + static_cast<unsigned>(digit);
        take(digit, false);
        ++at_;
      }
    }
    bool isFloat = false;
    if (Peek() == '.') {
      ++at_;
      if (!Digit()) Fail("digit expected after '.'");
      isFloat = true;
      while (Digit()) {
        take(text_[at_] - '0', true);
        ++at_;
      }
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      bool negativeExponent = false;
      if (Peek() == '+' || Peek() == '-') {
        negativeExponent = Peek() == '-';
        ++at_;
      }
      if (!Digit()) Fail("digit expected in exponent");
      isFloat = true;
      int written = 0;
      while (Digit()) {
        // Beyond this, any mantissa is infinite or zero.
        if (written < 100000) written = written * 10 + (text_[at_] - '0');
        ++at_;
      }
      exponent += negativeExponent ? -written : written;
    }

    if (!isFloat && !overflow) {
      if (!negative) return JsonValue::FromUnsigned(integer);
      if (integer <= std::uint64_t{1} << 63) {
        // Two's complement of the magnitude: -2^63 included.
        return JsonValue(static_cast<std::int64_t>(0 - integer));
      }
    }
    const double magnitude = DecimalToDouble(mantissa, exact, exponent);
    if (!std::isfinite(magnitude)) {
      throw JsonError("number overflow parsing '" +
                      std::string(text_.substr(start, at_ - start)) + "'");
    }
    return JsonValue(negative ? -magnitude : magnitude);
  }

  std::string_view text_;
  std::size_t at_ = 0;
  int maxDepth_;
};

}  // namespace

JsonValue ParseJson(std::string_view text, int maxDepth) {
  return Parser(text, maxDepth).Document();
}
