// The JSON library as the oracle of our own JSON code (native and fuzz
// builds only): values converted both ways, and a description that tells
// every kind and every bit apart.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "json/compact_json.h"
#include "json/json_value.h"

inline nlohmann::json ToLibrary(const JsonValue& value) {
  switch (value.type()) {
    case JsonValue::Type::kNull: return nullptr;
    case JsonValue::Type::kBoolean: return value.Boolean();
    case JsonValue::Type::kInteger: return value.IntegerBits();
    case JsonValue::Type::kUnsigned: return value.UnsignedBits();
    case JsonValue::Type::kFloat: return value.Number();
    case JsonValue::Type::kString: return value.String();
    case JsonValue::Type::kArray: {
      nlohmann::json array = nlohmann::json::array();
      for (const JsonValue& element : value.Elements()) array.push_back(ToLibrary(element));
      return array;
    }
    case JsonValue::Type::kObject: {
      nlohmann::json object = nlohmann::json::object();
      for (const JsonMember& member : value.Members()) object[member.key] = ToLibrary(member.value);
      return object;
    }
  }
  return nullptr;
}

// Kinds spelled out (i:, u:, f: with the double's exact bits), so that two
// descriptions are equal only when the values are the same in every way.
inline void Describe(const nlohmann::json& value, std::string& out) {
  char text[64];
  switch (value.type()) {
    case nlohmann::json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; break;
    case nlohmann::json::value_t::number_integer:
      out += "i:" + std::to_string(value.get<std::int64_t>());
      break;
    case nlohmann::json::value_t::number_unsigned:
      out += "u:" + std::to_string(value.get<std::uint64_t>());
      break;
    case nlohmann::json::value_t::number_float:
      std::snprintf(text, sizeof text, "f:%a", value.get<double>());
      out += text;
      break;
    case nlohmann::json::value_t::string: out += nlohmann::json(value).dump(); break;
    case nlohmann::json::value_t::array: {
      out += '[';
      for (const auto& element : value) {
        Describe(element, out);
        out += ',';
      }
      out += ']';
      break;
    }
    case nlohmann::json::value_t::object: {
      out += '{';
      for (const auto& [key, member] : value.items()) {
        out += nlohmann::json(key).dump() + ':';
        Describe(member, out);
        out += ',';
      }
      out += '}';
      break;
    }
    default: out += "null"; break;
  }
}

inline std::string Describe(const nlohmann::json& value) {
  std::string out;
  Describe(value, out);
  return out;
}

inline std::string Describe(const JsonValue& value) { return Describe(ToLibrary(value)); }
