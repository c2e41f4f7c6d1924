#include <windows.h>

#include <chrono>
#include <ctime>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32Clock final : public Clock {
 public:
  std::int64_t UnixSeconds() override {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }

  std::int64_t UnixMillis() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }

  bool ToLocalTime(std::int64_t unixSeconds, std::tm& local) override {
    const __time64_t seconds = unixSeconds;
    return _localtime64_s(&local, &seconds) == 0;
  }

  void Wait(std::uint32_t milliseconds) override { Sleep(milliseconds); }
};

}  // namespace

Clock& RealClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace platform::win32
