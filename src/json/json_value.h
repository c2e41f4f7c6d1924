// One JSON value: what the configuration answer is parsed into and what the
// requests and reports are built from. Small on purpose: every accessor is
// defined once, out of line, so the executable carries each of them once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Every failure of this module. A parse error is the text's fault; a type
// error is a value of the wrong kind or a missing member; a plain JsonError
// is a number too large for a double.
class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JsonParseError : public JsonError {
 public:
  using JsonError::JsonError;
};

class JsonTypeError : public JsonError {
 public:
  using JsonError::JsonError;
};

struct JsonMember;

class JsonValue {
 public:
  enum class Type : unsigned char {
    kNull,
    kBoolean,
    kInteger,   // signed 64-bit
    kUnsigned,  // unsigned 64-bit
    kFloat,
    kString,
    kArray,
    kObject,
  };
  using Array = std::vector<JsonValue>;
  // Keys unique, in ascending byte order.
  using Object = std::vector<JsonMember>;

  JsonValue() noexcept;
  JsonValue(std::nullptr_t) noexcept;  // NOLINT: null converts, as in JSON
  JsonValue(bool value) noexcept;      // NOLINT
  // Any integer: signed types keep their sign, unsigned ones stay unsigned.
  template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                             !std::is_same_v<T, char>,
                                         int> = 0>
  JsonValue(T value) noexcept {  // NOLINT
    if constexpr (std::is_signed_v<T>) {
      SetInteger(static_cast<std::int64_t>(value));
    } else {
      SetUnsigned(static_cast<std::uint64_t>(value));
    }
  }
  JsonValue(double value) noexcept;   // NOLINT
  JsonValue(std::string value);       // NOLINT
  JsonValue(const char* value);       // NOLINT
  // An object when every element is a two-element array that starts with a
  // string ({{"key", value}, ...}), otherwise an array.
  JsonValue(std::initializer_list<JsonValue> elements);
  JsonValue(const JsonValue& other);
  JsonValue(JsonValue&& other) noexcept;
  JsonValue& operator=(const JsonValue& other);
  JsonValue& operator=(JsonValue&& other) noexcept;
  ~JsonValue();

  static JsonValue MakeObject();
  static JsonValue MakeArray();
  static JsonValue MakeArray(Array elements);

  Type type() const noexcept { return type_; }
  bool IsNull() const noexcept { return type_ == Type::kNull; }
  bool IsBoolean() const noexcept { return type_ == Type::kBoolean; }
  bool IsFloat() const noexcept { return type_ == Type::kFloat; }
  bool IsNumber() const noexcept;
  bool IsString() const noexcept { return type_ == Type::kString; }
  bool IsArray() const noexcept { return type_ == Type::kArray; }
  bool IsObject() const noexcept { return type_ == Type::kObject; }

  // The value as that kind; JsonTypeError when it is another.
  bool Boolean() const;
  const std::string& String() const;
  const Array& Elements() const;
  const Object& Members() const;
  // A number or a boolean (0/1) as a double.
  double Number() const;
  // A number or a boolean as an integer of that width: integers wrapped to
  // it, a floating value truncated and saturated (NaN gives 0).
  std::int64_t ToInt64() const;
  std::int32_t ToInt32() const;
  // The raw 64-bit figures, for the writer and comparisons.
  std::int64_t IntegerBits() const noexcept { return scalar_.integer; }
  std::uint64_t UnsignedBits() const noexcept { return scalar_.unsigned_; }

  // Members of an object: Find answers null when this is no object or has
  // no such key; At throws JsonTypeError then.
  const JsonValue* Find(std::string_view key) const;
  const JsonValue& At(std::string_view key) const;
  // The member, added as null when missing; a null value becomes an empty
  // object first. JsonTypeError on any other kind.
  JsonValue& operator[](std::string_view key);
  // The same as At.
  const JsonValue& operator[](std::string_view key) const;
  // Adds an element; a null value becomes an empty array first.
  void PushBack(JsonValue element);
  // Elements of an array, members of an object; 0 for anything else.
  std::size_t Size() const noexcept;

  // Numbers compare by value whatever their kind (1 == 1.0), the rest by
  // kind and content.
  bool operator==(const JsonValue& other) const;
  bool operator!=(const JsonValue& other) const { return !(*this == other); }

  // Used by the parser: an object built from members in document order,
  // sorted here with the last of equal keys kept.
  static JsonValue FromMembers(Object members);
  static JsonValue FromUnsigned(std::uint64_t value) noexcept;

 private:
  void SetInteger(std::int64_t value) noexcept;
  void SetUnsigned(std::uint64_t value) noexcept;
  [[noreturn]] void TypeMismatch(const char* wanted) const;

  Type type_ = Type::kNull;
  union Scalar {
    bool boolean;
    std::int64_t integer;
    std::uint64_t unsigned_;
    double number;
  } scalar_{};
  std::string string_;
  Array array_;
  Object object_;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

// The name of a kind, as the error messages give it ("object", "number"...).
const char* JsonTypeName(JsonValue::Type type);
