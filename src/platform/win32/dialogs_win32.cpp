#include <windows.h>

#include <atomic>

#include "platform/win32/message_boxes.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {

static_assert(kMbOk == MB_OK && kMbOkCancel == MB_OKCANCEL && kMbIconStop == MB_ICONSTOP &&
              kMbIconQuestion == MB_ICONQUESTION && kMbSystemModal == MB_SYSTEMMODAL &&
              kIdOk == IDOK && kIdCancel == IDCANCEL);
namespace {

std::atomic<HWND> g_owner{nullptr};

class Win32Dialogs final : public Dialogs {
 public:
  int ShowMessage(const std::wstring& text, const std::wstring& caption,
                  std::uint32_t flags) override {
    const std::wstring& title = caption.empty() ? ApplicationTitle() : caption;
    return MessageBoxW(g_owner.load(), text.c_str(), title.c_str(), flags);
  }
};

}  // namespace

const std::wstring& ApplicationTitle() {
  static const std::wstring title = [] {
    wchar_t text[256] = {};
    const int length = LoadStringW(GetModuleHandleW(nullptr), kApplicationTitleString, text, 256);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring(L"Vellam");
  }();
  return title;
}

void SetMessageBoxOwner(HWND window) { g_owner.store(window); }

void ClearMessageBoxOwner(HWND window) {
  HWND expected = window;
  g_owner.compare_exchange_strong(expected, nullptr);
}

HWND MessageBoxOwner() { return g_owner.load(); }

Dialogs& RealDialogs() {
  static Win32Dialogs dialogs;
  return dialogs;
}

}  // namespace platform::win32
