// Message boxes raised by logic that runs outside any window.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// MessageBoxW flag values used by the installer.
constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbOkCancel = 0x1;
constexpr std::uint32_t kMbIconStop = 0x10;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbSystemModal = 0x1000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // MessageBoxW without an owner; returns the pressed button's id.
  virtual int ShowMessage(const std::wstring& text, const std::wstring& caption,
                          std::uint32_t flags) = 0;
};

}  // namespace platform
