// The configuration layer's exception: something went wrong talking to the
// server or reading its answer. Most throws carry no message (callers only
// need to know that the operation ended); where the reason is worth a log
// line, what() names it.
#pragma once

#include <exception>
#include <string>
#include <utility>

class VellamException : public std::exception {
 public:
  VellamException() = default;
  explicit VellamException(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override {
    return message_.empty() ? "VellamException" : message_.c_str();
  }

 private:
  std::string message_;
};
