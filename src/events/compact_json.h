// A compact JSON writer for the analytics bodies. The JSON library's own
// writer costs the executable about 15 KB (mostly floating-point printing),
// which the reports do not need: their members are texts and integers.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// `value` written without any space, object members in the order the
// library keeps them (ascending), exactly as the library's dump() writes
// texts, integers, booleans, null, arrays and objects: '"', '\\' and the
// control characters escaped (\b \f \n \r \t, others as \u00xx), everything
// else as it is. Bytes that are not UTF-8 become U+FFFD, one for each
// maximal invalid sequence. A floating-point number is written with 17
// significant digits (not as the library would: none is ever reported);
// infinity and NaN as null; binary values as null.
std::string CompactJson(const nlohmann::json& value);
