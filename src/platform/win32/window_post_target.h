// A PostTarget for one Win32 window. Whoever owns the window clears the
// target while the window is destroyed; ui::Dialog does so for every dialog.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/post_target.h"

namespace platform::win32 {

inline std::shared_ptr<PostTarget> MakeWindowPostTarget(HWND window) {
  return std::make_shared<PostTarget>(
      [window](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        return PostMessageW(window, message, static_cast<WPARAM>(wParam),
                            static_cast<LPARAM>(lParam)) != FALSE;
      });
}

}  // namespace platform::win32
