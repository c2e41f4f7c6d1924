// Locale services: the user's locale name and facts about named locales.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// LOCALE_NAME_MAX_LENGTH: buffer size (characters) for locale names.
constexpr int kLocaleNameMaxLength = 85;
// GetLocaleInfoEx types.
constexpr std::uint32_t kLocaleSNativeLanguageName = 0x4;  // LOCALE_SNATIVELANGUAGENAME

class LocaleInfo {
 public:
  virtual ~LocaleInfo() = default;
  // GetUserDefaultLocaleName with a buffer of bufferChars characters: the
  // number of characters written including the terminator, 0 on failure.
  // name receives the text without the terminator.
  virtual int UserDefaultLocaleName(int bufferChars, std::wstring& name) = 0;
  // GetLocaleInfoEx(localeName, type) with a buffer of bufferChars
  // characters: the number of characters written including the terminator,
  // 0 on failure (unknown locale, buffer too small). value receives the text.
  virtual int QueryLocaleInfo(const std::wstring& localeName, std::uint32_t type,
                              int bufferChars, std::wstring& value) = 0;
};

}  // namespace platform
