#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32Dialogs final : public Dialogs {
 public:
  int ShowMessage(const std::wstring& text, const std::wstring& caption,
                  std::uint32_t flags) override {
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
  }
};

}  // namespace

Dialogs& MessageBoxes() {
  static Win32Dialogs dialogs;
  return dialogs;
}

}  // namespace platform::win32
