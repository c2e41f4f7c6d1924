// The texts and link targets the welcome, licence and offer pages build.
#include "locale/page_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "config/package_fixture.h"
#include "resources/resource_ids.h"

namespace {

TEST(PageTexts, ReplaceTokenReplacesEveryOccurrenceOnce) {
  struct Case {
    const wchar_t* text;
    const wchar_t* token;
    const wchar_t* value;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"a [T] b [T]", L"[T]", L"x", L"a x b x"},
      {L"[T][T]", L"[T]", L"", L""},
      {L"[T]", L"[T]", L"[T][T]", L"[T][T]"},  // a value is not searched again
      {L"[T", L"[T]", L"x", L"[T"},
      {L"no token", L"[T]", L"x", L"no token"},
      {L"[[T]]", L"[T]", L"T", L"[T]"},
      {L"", L"[T]", L"x", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceToken(c.text, c.token, c.value), c.expected) << c.text;
  }
}

const wchar_t kLicense[] =
    L"By clicking \"I Agree\", you accept the <a href=\"[LICENSE_TOS_URL]\">Terms of Use</a> and "
    L"the <a href=\"[LICENSE_PRIVACY_URL]\">Privacy Policy</a>.";

TEST(PageTexts, LicenseDisclaimerLinksTheConfiguredAddresses) {
  struct Case {
    const wchar_t* terms;
    const wchar_t* privacy;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"https://www.pellio.example/terms", L"https://www.pellio.example/privacy",
       L"By clicking \"I Agree\", you accept the <a href=\"https://www.pellio.example/terms\">Terms "
       L"of Use</a> and the <a href=\"https://www.pellio.example/privacy\">Privacy Policy</a>."},
      // Empty addresses leave empty targets.
      {L"", L"", L"By clicking \"I Agree\", you accept the <a href=\"\">Terms of Use</a> and the "
                 L"<a href=\"\">Privacy Policy</a>."},
      // One replacement after the other: a terms address naming the privacy
      // token gets the privacy address, not the other way round.
      {L"[LICENSE_PRIVACY_URL]", L"p",
       L"By clicking \"I Agree\", you accept the <a href=\"p\">Terms of "
       L"Use</a> and the <a href=\"p\">Privacy Policy</a>."},
      {L"t", L"[LICENSE_TOS_URL]",
       L"By clicking \"I Agree\", you accept the <a href=\"t\">Terms of "
       L"Use</a> and the <a href=\"[LICENSE_TOS_URL]\">Privacy Policy</a>."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.terms);
    EXPECT_EQ(LicenseDisclaimer(kLicense, c.terms, c.privacy), c.expected);
  }
  // Twice, as in the Spanish text: every occurrence.
  EXPECT_EQ(LicenseDisclaimer(L"[LICENSE_TOS_URL] [LICENSE_TOS_URL]", L"t", L"p"), L"t t");
}

// A quote in an address would end the href value and let the rest of the
// address write markup of its own.
TEST(PageTexts, AddressesCannotLeaveTheirHrefValue) {
  EXPECT_EQ(HrefValue(L"https://a.example/x\"y<z>w"), L"https://a.example/x%22y%3Cz%3Ew");
  EXPECT_EQ(HrefValue(L"https://a.example/?q=1&r=%22"), L"https://a.example/?q=1&r=%22");
  EXPECT_EQ(LicenseDisclaimer(L"<a href=\"[LICENSE_TOS_URL]\">T</a>",
                              L"https://a.example/\"><a href=\"file:///c:/x.exe", L""),
            L"<a href=\"https://a.example/%22%3E%3Ca href=%22file:///c:/x.exe\">T</a>");
}

class OfferDisclaimerTest : public PackageFixture {};

const wchar_t kOffer[] =
    L"By clicking \"Accept\" you agree to install [PACKAGE_NAME] and accept its <a "
    L"href=\"[PACKAGE_EULA_URL]\">License Agreement</a> and <a "
    L"href=\"[PACKAGE_PRIVACY_URL]\">Privacy Policy</a>. [PACKAGE_NAME]!";

TEST_F(OfferDisclaimerTest, NamesTheOfferAndLinksItsAddresses) {
  const auto offer = MakeOffer(OfferWith(
      R"({"dn": "Nimbus B\u00e4ckup \u2603", "cp": "https://nimbus.example/privacy",
          "ctu": "https://nimbus.example/eula?x=\"1\""})"));
  codePages.toWideCodePages.clear();
  EXPECT_EQ(OfferDisclaimer(kOffer, *offer, codePages),
            L"By clicking \"Accept\" you agree to install Nimbus B\u00e4ckup \u2603 and accept its "
            L"<a href=\"https://nimbus.example/eula?x=%221%22\">License Agreement</a> and <a "
            L"href=\"https://nimbus.example/privacy\">Privacy Policy</a>. Nimbus B\u00e4ckup \u2603!");
  EXPECT_EQ(codePages.toWideCodePages,
            (std::vector<std::uint32_t>(3, platform::kCpUtf8)))
      << "the offer's texts are UTF-8";
}

TEST_F(OfferDisclaimerTest, EmptyAddressesGiveEmptyTargets) {
  const auto offer = MakeOffer(BaseOffer());
  EXPECT_EQ(OfferDisclaimer(L"[PACKAGE_NAME] <a href=\"[PACKAGE_PRIVACY_URL]\">p</a> "
                            L"<a href=\"[PACKAGE_EULA_URL]\">e</a>",
                            *offer, codePages),
            L"Nimbus Backup <a href=\"\">p</a> <a href=\"\">e</a>");
}

// Name, privacy, licence, one after the other: a value is searched by the
// replacements that follow it, never by its own or earlier ones.
TEST_F(OfferDisclaimerTest, TokensAreReplacedInTheirOrder) {
  const auto offer = MakeOffer(OfferWith(
      R"({"dn": "N[PACKAGE_EULA_URL]", "cp": "P[PACKAGE_NAME]", "ctu": "E[PACKAGE_PRIVACY_URL]"})"));
  EXPECT_EQ(OfferDisclaimer(L"[PACKAGE_NAME]|[PACKAGE_PRIVACY_URL]|[PACKAGE_EULA_URL]", *offer, codePages),
            L"NE[PACKAGE_PRIVACY_URL]|P[PACKAGE_NAME]|E[PACKAGE_PRIVACY_URL]");
}

TEST_F(OfferDisclaimerTest, ATextThatCannotBeConvertedReplacesItsTokenWithNothing) {
  const auto offer = MakeOffer(OfferWith(R"({"cp": "https://nimbus.example/p"})"));
  codePages.toWideFails = true;
  EXPECT_EQ(OfferDisclaimer(L"[PACKAGE_NAME]|[PACKAGE_PRIVACY_URL]|[PACKAGE_EULA_URL]", *offer, codePages),
            L"||");
}

TEST(PageTexts, SkipAllIsHiddenOnTheLastOfferAndAtTheFlowLimit) {
  struct Case {
    std::int32_t index;
    std::int32_t eligible;
    std::int32_t flowMaxOffers;
    bool shown;
  };
  const Case cases[] = {
      {0, 1, kNoFlowLimit, false},  // a single eligible offer
      {0, 2, kNoFlowLimit, true},
      {1, 2, kNoFlowLimit, false},
      {1, 3, kNoFlowLimit, true},
      {0, 3, 1, false},  // flowMaxOffers == index + 1
      {1, 3, 2, false},
      {1, 3, 3, true},
      {2, 5, 1, true},  // past its limit: only index + 1 hides
      {0, 0, kNoFlowLimit, true},
      {0, 3, 0, true},
      {0, 3, -2147483647 - 1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OfferShowsSkipAll(c.index, c.eligible, c.flowMaxOffers), c.shown)
        << c.index << " of " << c.eligible << ", limit " << c.flowMaxOffers;
  }
}

TEST_F(OfferDisclaimerTest, WelcomeLinksFollowTheSettingsAndTheWizardType) {
  settings->privacyUrl = L"https://p.example";
  settings->termsUrl = L"https://t.example";
  settings->extraLinkUrl = L"";
  struct Case {
    std::int32_t wizard;
    const char* termsKey;
  };
  for (const Case& c : {Case{kWizardIsv, "EULA_LINK"}, Case{kWizardDlm, "TOS_LINK"},
                        Case{kWizardUnknown, "EULA_LINK"}}) {
    settings->wizardType = c.wizard;
    const auto links = WelcomeLinks(*settings);
    EXPECT_EQ(links[0].controlId, IDC_PRIVACY_LINK);
    EXPECT_STREQ(links[0].key, "PRIVACY_LINK");
    EXPECT_EQ(links[0].url, L"https://p.example");
    EXPECT_EQ(links[1].controlId, IDC_TERMS_LINK);
    EXPECT_STREQ(links[1].key, c.termsKey);
    EXPECT_EQ(links[1].url, L"https://t.example");
    EXPECT_EQ(links[2].controlId, IDC_SDK_LINK);
    EXPECT_STREQ(links[2].key, "SDK_LINK");
    EXPECT_EQ(links[2].url, L"");
  }
}

}  // namespace
