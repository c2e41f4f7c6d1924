// The compact JSON writer of the configuration request and the analytics
// bodies. Their members are texts and integers, so no floating-point
// printing beyond a plain fallback.
#pragma once

#include <string>

#include "json/json_value.h"

// `value` written without any space, object members in ascending key order:
// '"', '\\' and the control characters escaped (\b \f \n \r \t, others as
// \u00xx), everything else as it is, integers in decimal. Bytes that are not
// UTF-8 become U+FFFD, one for each maximal invalid sequence. A
// floating-point number is written with 17 significant digits (none is ever
// sent); infinity and NaN as null.
std::string CompactJson(const JsonValue& value);
