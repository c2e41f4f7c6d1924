#include <windows.h>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"

namespace platform::win32 {
namespace {

class Win32SystemMessages final : public SystemMessages {
 public:
  std::wstring SystemMessageText(std::uint32_t code) override {
    // Without FORMAT_MESSAGE_IGNORE_INSERTS a text with %1 in it would make
    // FormatMessageW read arguments that were never passed.
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const ScopedLocalMemory<wchar_t*> owned(buffer);
    return length && buffer ? std::wstring(buffer, length) : std::wstring();
  }
};

}  // namespace

SystemMessages& RealSystemMessages() {
  static Win32SystemMessages messages;
  return messages;
}

}  // namespace platform::win32
