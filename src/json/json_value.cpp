#include "json/json_value.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

bool KeyLess(const JsonMember& member, std::string_view key) { return member.key < key; }

template <typename T>
T TruncateSaturated(double number) {
  const double truncated = std::trunc(number);
  if (std::isnan(truncated)) return 0;
  // Converting a value outside the range would be undefined.
  if (truncated <= static_cast<double>(std::numeric_limits<T>::min())) {
    return std::numeric_limits<T>::min();
  }
  if (truncated >= static_cast<double>(std::numeric_limits<T>::max())) {
    return std::numeric_limits<T>::max();
  }
  return static_cast<T>(truncated);
}

}  // namespace

const char* JsonTypeName(JsonValue::Type type) {
  switch (type) {
    case JsonValue::Type::kNull: return "null";
    case JsonValue::Type::kBoolean: return "boolean";
    case JsonValue::Type::kString: return "string";
    case JsonValue::Type::kArray: return "array";
    case JsonValue::Type::kObject: return "object";
    default: return "number";
  }
}

JsonValue::JsonValue() noexcept = default;
JsonValue::JsonValue(std::nullptr_t) noexcept {}
JsonValue::JsonValue(bool value) noexcept : type_(Type::kBoolean) { scalar_.boolean = value; }
JsonValue::JsonValue(double value) noexcept : type_(Type::kFloat) { scalar_.number = value; }
JsonValue::JsonValue(std::string value) : type_(Type::kString), string_(std::move(value)) {}
JsonValue::JsonValue(const char* value) : type_(Type::kString), string_(value) {}

JsonValue::JsonValue(std::initializer_list<JsonValue> elements) {
  const bool pairs = std::all_of(elements.begin(), elements.end(), [](const JsonValue& element) {
    return element.IsArray() && element.array_.size() == 2 && element.array_[0].IsString();
  });
  if (pairs) {
    Object members;
    members.reserve(elements.size());
    for (const JsonValue& element : elements) {
      members.push_back(JsonMember{element.array_[0].string_, element.array_[1]});
    }
    *this = FromMembers(std::move(members));
  } else {
    type_ = Type::kArray;
    array_.assign(elements.begin(), elements.end());
  }
}

JsonValue::JsonValue(const JsonValue& other) = default;
JsonValue::JsonValue(JsonValue&& other) noexcept = default;
JsonValue& JsonValue::operator=(const JsonValue& other) = default;
JsonValue& JsonValue::operator=(JsonValue&& other) noexcept = default;
JsonValue::~JsonValue() {
  if (array_.empty() && object_.empty()) return;
  // Children are taken apart one level at a time, so that however deep a
  // value nests, its destruction never recurses more than once.
  std::vector<JsonValue> pending;
  const auto detach = [&pending](JsonValue& value) {
    for (JsonValue& element : value.array_) pending.push_back(std::move(element));
    for (JsonMember& member : value.object_) pending.push_back(std::move(member.value));
    value.array_.clear();
    value.object_.clear();
  };
  detach(*this);
  while (!pending.empty()) {
    JsonValue current = std::move(pending.back());
    pending.pop_back();
    detach(current);
  }
}

JsonValue JsonValue::MakeObject() {
  JsonValue value;
  value.type_ = Type::kObject;
  return value;
}

JsonValue JsonValue::MakeArray() {
  JsonValue value;
  value.type_ = Type::kArray;
  return value;
}

JsonValue JsonValue::MakeArray(Array elements) {
  JsonValue value = MakeArray();
  value.array_ = std::move(elements);
  return value;
}

JsonValue JsonValue::FromMembers(Object members) {
  // Stable, so that among equal keys the later one stays later and wins.
  std::stable_sort(members.begin(), members.end(),
                   [](const JsonMember& a, const JsonMember& b) { return a.key < b.key; });
  JsonValue value = MakeObject();
  value.object_.reserve(members.size());
  for (JsonMember& member : members) {
    if (!value.object_.empty() && value.object_.back().key == member.key) {
      value.object_.back().value = std::move(member.value);
    } else {
      value.object_.push_back(std::move(member));
    }
  }
  return value;
}

JsonValue JsonValue::FromUnsigned(std::uint64_t value) noexcept {
  JsonValue result;
  result.SetUnsigned(value);
  return result;
}

void JsonValue::SetInteger(std::int64_t value) noexcept {
  type_ = Type::kInteger;
  scalar_.integer = value;
}

void JsonValue::SetUnsigned(std::uint64_t value) noexcept {
  type_ = Type::kUnsigned;
  scalar_.unsigned_ = value;
}

void JsonValue::TypeMismatch(const char* wanted) const {
  throw JsonTypeError(std::string("type must be ") + wanted + ", but is " + JsonTypeName(type_));
}

bool JsonValue::IsNumber() const noexcept {
  return type_ == Type::kInteger || type_ == Type::kUnsigned || type_ == Type::kFloat;
}

bool JsonValue::Boolean() const {
  if (type_ != Type::kBoolean) TypeMismatch("boolean");
  return scalar_.boolean;
}

const std::string& JsonValue::String() const {
  if (type_ != Type::kString) TypeMismatch("string");
  return string_;
}

const JsonValue::Array& JsonValue::Elements() const {
  if (type_ != Type::kArray) TypeMismatch("array");
  return array_;
}

const JsonValue::Object& JsonValue::Members() const {
  if (type_ != Type::kObject) TypeMismatch("object");
  return object_;
}

double JsonValue::Number() const {
  switch (type_) {
    case Type::kBoolean: return scalar_.boolean ? 1 : 0;
    case Type::kInteger: return static_cast<double>(scalar_.integer);
    case Type::kUnsigned: return static_cast<double>(scalar_.unsigned_);
    case Type::kFloat: return scalar_.number;
    default: TypeMismatch("number");
  }
}

std::int64_t JsonValue::ToInt64() const {
  switch (type_) {
    case Type::kBoolean: return scalar_.boolean ? 1 : 0;
    case Type::kInteger:
    case Type::kUnsigned: return scalar_.integer;  // the same bits, wrapped
    case Type::kFloat: return TruncateSaturated<std::int64_t>(scalar_.number);
    default: TypeMismatch("number");
  }
}

std::int32_t JsonValue::ToInt32() const {
  if (type_ == Type::kFloat) return TruncateSaturated<std::int32_t>(scalar_.number);
  return static_cast<std::int32_t>(ToInt64());
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (type_ != Type::kObject) return nullptr;
  const auto found = std::lower_bound(object_.begin(), object_.end(), key, KeyLess);
  return found != object_.end() && found->key == key ? &found->value : nullptr;
}

const JsonValue& JsonValue::At(std::string_view key) const {
  if (type_ != Type::kObject) TypeMismatch("object");
  const JsonValue* value = Find(key);
  if (!value) throw JsonTypeError("key '" + std::string(key) + "' not found");
  return *value;
}

const JsonValue& JsonValue::operator[](std::string_view key) const { return At(key); }

JsonValue& JsonValue::operator[](std::string_view key) {
  if (type_ == Type::kNull) type_ = Type::kObject;
  if (type_ != Type::kObject) TypeMismatch("object");
  auto found = std::lower_bound(object_.begin(), object_.end(), key, KeyLess);
  if (found == object_.end() || found->key != key) {
    found = object_.insert(found, JsonMember{std::string(key), JsonValue()});
  }
  return found->value;
}

void JsonValue::PushBack(JsonValue element) {
  if (type_ == Type::kNull) type_ = Type::kArray;
  if (type_ != Type::kArray) TypeMismatch("array");
  array_.push_back(std::move(element));
}

std::size_t JsonValue::Size() const noexcept {
  if (type_ == Type::kArray) return array_.size();
  if (type_ == Type::kObject) return object_.size();
  return 0;
}

bool JsonValue::operator==(const JsonValue& other) const {
  if (IsNumber() && other.IsNumber()) {
    if (type_ == Type::kFloat || other.type_ == Type::kFloat) return Number() == other.Number();
    if (type_ == other.type_) return scalar_.integer == other.scalar_.integer;
    // One signed, one unsigned: equal only when both are the same
    // non-negative figure.
    return scalar_.integer >= 0 && other.scalar_.integer >= 0 &&
           scalar_.integer == other.scalar_.integer;
  }
  if (type_ != other.type_) return false;
  switch (type_) {
    case Type::kBoolean: return scalar_.boolean == other.scalar_.boolean;
    case Type::kString: return string_ == other.string_;
    case Type::kArray: return array_ == other.array_;
    case Type::kObject:
      return std::equal(object_.begin(), object_.end(), other.object_.begin(), other.object_.end(),
                        [](const JsonMember& a, const JsonMember& b) {
                          return a.key == b.key && a.value == b.value;
                        });
    default: return true;  // null
  }
}
