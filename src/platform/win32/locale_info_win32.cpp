#include <windows.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace platform::win32 {

static_assert(kLocaleNameMaxLength == LOCALE_NAME_MAX_LENGTH &&
              kLocaleSNativeLanguageName == LOCALE_SNATIVELANGNAME);
namespace {

class Win32LocaleInfo final : public LocaleInfo {
 public:
  int UserDefaultLocaleName(int bufferChars, std::wstring& name) override {
    if (bufferChars <= 0) return 0;
    std::vector<wchar_t> buffer(static_cast<size_t>(bufferChars), L'\0');
    const int written = GetUserDefaultLocaleName(buffer.data(), bufferChars);
    name.assign(written > 0 ? buffer.data() : L"");
    return written;
  }

  int QueryLocaleInfo(const std::wstring& localeName, std::uint32_t type, int bufferChars,
                      std::wstring& value) override {
    if (bufferChars <= 0) return 0;
    std::vector<wchar_t> buffer(static_cast<size_t>(bufferChars), L'\0');
    const int written = GetLocaleInfoEx(localeName.c_str(), type, buffer.data(), bufferChars);
    value.assign(written > 0 ? buffer.data() : L"");
    return written;
  }
};

}  // namespace

LocaleInfo& RealLocaleInfo() {
  static Win32LocaleInfo locales;
  return locales;
}

}  // namespace platform::win32
