#include "locale/page_texts.h"

#include "config/configuration_manager.h"
#include "config/package.h"
#include "resources/resource_ids.h"

namespace {

std::wstring FromUtf8(platform::CodePages& codePages, const std::string& text) {
  std::wstring wide;
  if (!codePages.ToWide(platform::kCpUtf8, text, wide)) wide.clear();
  return wide;
}

}  // namespace

std::wstring ReplaceToken(std::wstring text, const std::wstring& token, const std::wstring& value) {
  if (token.empty()) return text;
  for (std::size_t at = text.find(token); at != std::wstring::npos;
       at = text.find(token, at + value.size())) {
    text.replace(at, token.size(), value);
  }
  return text;
}

std::wstring HrefValue(const std::wstring& url) {
  std::wstring value;
  value.reserve(url.size());
  for (const wchar_t c : url) {
    switch (c) {
      case L'"': value += L"%22"; break;
      case L'<': value += L"%3C"; break;
      case L'>': value += L"%3E"; break;
      default: value += c;
    }
  }
  return value;
}

std::wstring LicenseDisclaimer(const std::wstring& text, const std::wstring& termsUrl,
                               const std::wstring& privacyUrl) {
  return ReplaceToken(ReplaceToken(text, L"[LICENSE_TOS_URL]", HrefValue(termsUrl)),
                      L"[LICENSE_PRIVACY_URL]", HrefValue(privacyUrl));
}

std::wstring OfferDisclaimer(const std::wstring& text, const Package& offer,
                             platform::CodePages& codePages) {
  std::wstring result = ReplaceToken(text, L"[PACKAGE_NAME]", FromUtf8(codePages, offer.displayName));
  result = ReplaceToken(result, L"[PACKAGE_PRIVACY_URL]", HrefValue(FromUtf8(codePages, offer.privacyUrl)));
  return ReplaceToken(result, L"[PACKAGE_EULA_URL]", HrefValue(FromUtf8(codePages, offer.termsUrl)));
}

bool OfferShowsSkipAll(std::int32_t index, std::int32_t acceptedOfferCount,
                       std::int32_t flowMaxOffers) {
  // In 64 bits: a limit of INT32_MIN must not wrap.
  const std::int64_t last = static_cast<std::int64_t>(acceptedOfferCount) - 1;
  const std::int64_t limitLast = static_cast<std::int64_t>(flowMaxOffers) - 1;
  return index != last && index != limitLast;
}

std::array<WelcomeLink, 3> WelcomeLinks(const ConfigurationManager& settings) {
  const bool dlm = settings.wizardType == kWizardDlm;
  return {{{IDC_PRIVACY_LINK, "PRIVACY_LINK", settings.privacyUrl},
           {IDC_TERMS_LINK, dlm ? "TOS_LINK" : "EULA_LINK", settings.termsUrl},
           {IDC_SDK_LINK, "SDK_LINK", settings.extraLinkUrl}}};
}
