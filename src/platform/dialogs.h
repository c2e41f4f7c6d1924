// Message boxes raised by logic that runs outside any window: the
// application's message boxes.
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
  // MessageBoxW, owned by the wizard window while it exists; an empty
  // caption stands for the application's title. Returns the pressed
  // button's id. Any thread.
  virtual int ShowMessage(const std::wstring& text, const std::wstring& caption,
                          std::uint32_t flags) = 0;
};

}  // namespace platform
