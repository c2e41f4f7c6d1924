// The JSON parser against the JSON library on the same bytes: both accept
// or both refuse (a parse error on both sides, or a number beyond a double
// on both), and an accepted document is the same value, number kinds
// included; then our writer reads back as the same value.
//
// Input: the document, as it is.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "json/compact_json.h"
#include "json/json_parser.h"
#include "json/json_value.h"

#include "../shared/json_oracle.h"
#include "../shared/json_support.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

enum class Outcome { kValue, kParseError, kRangeError };

// Floats beyond the exact range of our conversion may differ from the
// library's in the last few units; everything else is compared exactly.
bool Agree(const nlohmann::json& theirs, const JsonValue& ours) {
  if (theirs.is_number_float()) {
    if (!ours.IsFloat()) return false;
    const double a = ours.Number(), b = theirs.get<double>();
    const double unit = std::nextafter(std::fabs(b), HUGE_VAL) - std::fabs(b);
    return a == b || std::fabs(a - b) <= 8 * unit;
  }
  if (theirs.is_array()) {
    if (!ours.IsArray() || ours.Size() != theirs.size()) return false;
    for (std::size_t i = 0; i < theirs.size(); ++i) {
      if (!Agree(theirs[i], ours.Elements()[i])) return false;
    }
    return true;
  }
  if (theirs.is_object()) {
    if (!ours.IsObject() || ours.Size() != theirs.size()) return false;
    std::size_t i = 0;
    for (const auto& [key, member] : theirs.items()) {
      const JsonMember& mine = ours.Members()[i++];
      if (mine.key != key || !Agree(member, mine.value)) return false;
    }
    return true;
  }
  return !ours.IsArray() && !ours.IsObject() && !ours.IsFloat() &&
         Describe(theirs) == Describe(ours);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Our limit on nesting is the one place we refuse what the library takes.
  int depth = 0, deepest = 0;
  for (const char c : text) {
    if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
    if (c == ']' || c == '}') --depth;
  }

  Outcome theirs = Outcome::kValue;
  nlohmann::json reference;
  try {
    reference = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error&) {
    theirs = Outcome::kParseError;
  } catch (const nlohmann::json::out_of_range&) {
    theirs = Outcome::kRangeError;
  }

  Outcome ours = Outcome::kValue;
  JsonValue value;
  try {
    value = ParseJson(text);
  } catch (const JsonParseError&) {
    ours = Outcome::kParseError;
  } catch (const JsonError&) {
    ours = Outcome::kRangeError;
  }

  if (deepest > kJsonParserMaxDepth && ours == Outcome::kParseError) return 0;
  // A figure right at the edge of the double range may overflow on one side
  // only (our conversion is within a few units there, not exact).
  const bool edge = (ours == Outcome::kRangeError) != (theirs == Outcome::kRangeError) &&
                    (ours == Outcome::kValue || theirs == Outcome::kValue);
  if (edge) return 0;
  Check(ours == theirs);
  if (ours != Outcome::kValue) return 0;
  Check(Agree(reference, value));

  const std::string written = CompactJson(value);
  const JsonValue again = ParseJson(written);
  if (!HasFloat(value)) {
    Check(again == value);
    Check(written == reference.dump());
  }
  return 0;
}
