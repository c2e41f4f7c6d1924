// Test helpers around JsonValue: readable failure output and the small
// document edits the fixtures make.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "json/compact_json.h"
#include "json/json_value.h"

// gtest prints values and messages through these, found by
// argument-dependent lookup.
inline std::ostream& operator<<(std::ostream& out, const JsonValue& value) {
  return out << CompactJson(value);
}
inline void PrintTo(const JsonValue& value, std::ostream* out) { *out << CompactJson(value); }

// An array of these texts.
inline JsonValue Strings(const std::vector<std::string>& texts) {
  JsonValue array = JsonValue::MakeArray();
  for (const std::string& text : texts) array.PushBack(text);
  return array;
}

// Every member of `from` (an object) set in `into`, replacing equal keys.
inline void Update(JsonValue& into, const JsonValue& from) {
  for (const JsonMember& member : from.Members()) into[member.key] = member.value;
}

// The member `key` of `object` when it is a string, otherwise `fallback`.
inline std::string TextOr(const JsonValue& object, const char* key,
                          const std::string& fallback = std::string()) {
  const JsonValue* value = object.Find(key);
  return value && value->IsString() ? value->String() : fallback;
}

// Whether a floating-point number appears anywhere in `value`.
inline bool HasFloat(const JsonValue& value) {
  if (value.IsFloat()) return true;
  if (value.IsArray()) {
    for (const JsonValue& element : value.Elements()) {
      if (HasFloat(element)) return true;
    }
  }
  if (value.IsObject()) {
    for (const JsonMember& member : value.Members()) {
      if (HasFloat(member.value)) return true;
    }
  }
  return false;
}
