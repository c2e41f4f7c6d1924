// Texts and link targets the pages build from locale texts and settings or
// offer values, kept out of the window code. The disclaimers are link
// control markup (<a href="...">): the addresses end up inside href values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/code_pages.h"

class ConfigurationManager;
class Package;

// Every occurrence of `token` in `text` replaced by `value`, left to right;
// an inserted value is not searched again.
std::wstring ReplaceToken(std::wstring text, const std::wstring& token, const std::wstring& value);

// An address as it is put into an href value: the characters that would end
// the value or the markup ('"', '<', '>') percent-encoded, which names the
// same web address; everything else unchanged.
std::wstring HrefValue(const std::wstring& url);

// The licence page's disclaimer: "[LICENSE_TOS_URL]" → terms address, then
// "[LICENSE_PRIVACY_URL]" → privacy address.
std::wstring LicenseDisclaimer(const std::wstring& text, const std::wstring& termsUrl,
                               const std::wstring& privacyUrl);

// The offer page's disclaimer: "[PACKAGE_NAME]" → the offer's displayName,
// "[PACKAGE_PRIVACY_URL]" → its privacyUrl, "[PACKAGE_EULA_URL]" → its
// termsUrl, in that order. The offer's texts are UTF-8; one that cannot be
// converted replaces its token with nothing.
std::wstring OfferDisclaimer(const std::wstring& text, const Package& offer,
                             platform::CodePages& codePages);

// Whether the offer page offers Skip All: not on the last eligible offer
// (index acceptedOfferCount - 1) nor where the offer's own flow limit allows
// no further offer (index flowMaxOffers - 1).
bool OfferShowsSkipAll(std::int32_t index, std::int32_t acceptedOfferCount,
                       std::int32_t flowMaxOffers);

// One of the welcome page's three links: its control, its locale key and the
// address it opens; a link without an address is hidden.
struct WelcomeLink {
  int controlId;
  const char* key;
  std::wstring url;
};

// Privacy (1039), terms (1040: "TOS_LINK" in the DLM wizard, "EULA_LINK"
// otherwise) and the extra link (1041), in the page's binding order.
std::array<WelcomeLink, 3> WelcomeLinks(const ConfigurationManager& settings);
