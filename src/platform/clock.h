// Wall clock and waiting, replaceable so tests neither depend on the date nor
// really wait.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;

  virtual std::int64_t UnixSeconds() = 0;
  virtual std::int64_t UnixMillis() = 0;
  // localtime for the given UTC seconds; false when conversion fails.
  virtual bool ToLocalTime(std::int64_t unixSeconds, std::tm& local) = 0;
  virtual void Wait(std::uint32_t milliseconds) = 0;
};

}  // namespace platform
