// The welcome, warning, licence, install-options and offer pages over their
// real templates: texts with their tokens replaced (read back from the link
// control's own parsed links), hidden empty links, bold titles, link clicks
// opening web addresses only, check boxes stored only on Next, and what the
// offer page's buttons do to the settings and the analytics reports.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>


#include "app/win32/singletons.h"
#include "config/package.h"
#include "json/json_parser.h"
#include "pages/page_factory.h"
#include "pages_support.h"
#include "platform/win32/win32_platform.h"
#include "ui/image_control.h"
#include "ui/link_button.h"
#include "ui/web_link_opener.h"

namespace {

namespace w = platform::win32;

// What OpenWebLink handed on instead of starting a browser.
std::vector<std::wstring> opened;
void RecordOpened(const std::wstring& url) { opened.push_back(url); }

// The analytics server: records every report, answers 200.
class RecordingSender : public JsonSender {
 public:
  bool SendJson(const std::wstring&, const std::string& body, const HeaderList&,
                std::string& response, std::uint32_t& status) override {
    std::lock_guard<std::mutex> lock(mutex_);
    bodies_.push_back(body);
    response = "{}";
    status = 200;
    return true;
  }
  // The event codes ("6") of the reports received so far.
  std::vector<std::string> Codes() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> codes;
    for (const std::string& body : bodies_) {
      codes.push_back(ParseJson(ParseJson(body).At("data").String()).At("6").String());
    }
    return codes;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> bodies_;
};

bool IsBold(HWND control) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW logical{};
  return font && GetObjectW(font, sizeof logical, &logical) && logical.lfWeight >= FW_BOLD;
}

bool IsVisible(HWND control) { return GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE; }

// The addresses of the links a link control parsed from its markup.
std::vector<std::wstring> LinkUrls(HWND link) {
  std::vector<std::wstring> urls;
  for (int i = 0;; ++i) {
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    item.iLink = i;
    if (!SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) break;
    urls.push_back(item.szUrl);
  }
  return urls;
}

// A click on a link of the link control `id`, as the control reports it.
LRESULT ClickLink(IPage& page, int id, const std::wstring& url, UINT code = NM_CLICK) {
  NMLINK click{};
  click.hdr.hwndFrom = page.Item(id);
  click.hdr.idFrom = static_cast<UINT_PTR>(id);
  click.hdr.code = code;
  click.item.mask = LIF_URL;
  lstrcpynW(click.item.szUrl, url.c_str(), L_MAX_URL_LENGTH);
  opened.clear();
  return SendMessageW(page.hwnd(), WM_NOTIFY, static_cast<WPARAM>(id),
                      reinterpret_cast<LPARAM>(&click));
}

void Click(IPage& page, int id) {
  SendMessageW(page.Item(id), BM_CLICK, 0, 0);
  PumpMessages();
}

class PageContent : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = GetConfigurationManager();
    saved_ = std::make_unique<Saved>(Saved{settings_->brandedPages, settings_->wizardType,
                                           settings_->privacyUrl, settings_->termsUrl,
                                           settings_->extraLinkUrl, settings_->acceptedOfferCount});
    settings_->brandedPages = true;  // the warning, licence and options texts
    settings_->wizardType = kWizardIsv;
    settings_->privacyUrl = L"https://www.pellio.example/privacy?a=1&b=2";
    settings_->termsUrl = L"https://www.pellio.example/terms";
    settings_->extraLinkUrl = L"https://www.pellio.example/sdk";
    settings_->optionChecks = {};
    settings_->declined = false;
    settings_->acceptedOffers.clear();
    settings_->shownOffers.clear();
    host_ = CreateWindowExW(0, L"Static", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 700, 600, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
    languageManager_ = std::make_shared<LanguageManager>(
        *settings_, LanguagePlatform{w::RealModuleResources(), w::RealLocaleInfo(), w::RealDialogs()});
    // The language page lists the languages and applies one, as in the wizard.
    language_ = &Create(MakePage<LanguagePageZQ, IPage>(languageManager_, host_));
    ASSERT_FALSE(languageManager_->GetText("LICENSE_DISCLAIMER").empty());
    ui::SetWebLinkOpener(&RecordOpened);
    opened.clear();
  }

  void TearDown() override {
    ui::SetWebLinkOpener(nullptr);
    pages_.clear();
    DestroyWindow(host_);
    // The packages go before the sender they report through.
    settings_->acceptedOffers.clear();
    settings_->shownOffers.clear();
    settings_->declined = false;
    settings_->optionChecks = {};
    settings_->brandedPages = saved_->branded;
    settings_->wizardType = saved_->wizard;
    settings_->privacyUrl = saved_->privacy;
    settings_->termsUrl = saved_->terms;
    settings_->extraLinkUrl = saved_->extra;
    settings_->acceptedOfferCount = saved_->acceptedOfferCount;
  }

  IPage& Create(std::unique_ptr<IPage> page) {
    pages_.push_back(std::move(page));
    EXPECT_TRUE(pages_.back()->Create(host_));
    pages_.back()->SetBackgroundColour(settings_->pageColour);
    return *pages_.back();
  }
  template <typename Page>
  Page& Make() {
    return static_cast<Page&>(Create(MakePage<Page, IPage>(languageManager_, host_)));
  }

  // Switches to the other listed language and back to the first.
  void SwitchLanguage(int entry) {
    HWND combo = language_->Item(IDC_LANGUAGE_COMBO);
    wchar_t name[128] = {};
    ASSERT_NE(SendMessageW(combo, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(name)), CB_ERR);
    ASSERT_TRUE(languageManager_->SetLanguage(name));
  }

  struct Saved {
    bool branded;
    std::int32_t wizard;
    std::wstring privacy, terms, extra;
    std::int32_t acceptedOfferCount;
  };
  std::shared_ptr<ConfigurationManager> settings_;
  std::unique_ptr<Saved> saved_;
  HWND host_ = nullptr;
  std::shared_ptr<LanguageManager> languageManager_;
  std::vector<std::unique_ptr<IPage>> pages_;
  IPage* language_ = nullptr;
};

TEST_F(PageContent, LicenceDisclaimerLinksTheConfiguredAddressesInEveryLanguage) {
  auto& page = Make<LicensePageIsv>();
  for (int entry : {0, 1, 0}) {
    SCOPED_TRACE(entry);
    SwitchLanguage(entry);
    const std::wstring shown = page.ItemText(IDC_LICENSE_DISCLAIMER);
    EXPECT_EQ(shown.find(L"[LICENSE_"), std::wstring::npos) << "no token left";
    EXPECT_EQ(LinkUrls(page.Item(IDC_LICENSE_DISCLAIMER)),
              (std::vector<std::wstring>{settings_->termsUrl, settings_->privacyUrl}));
  }
  // Addresses in the licence text are detected.
  EXPECT_TRUE(SendDlgItemMessageW(page.hwnd(), IDC_LICENSE_EULA, EM_GETAUTOURLDETECT, 0, 0));
}

TEST_F(PageContent, LicenceLinkClicksOpenWebAddressesOnly) {
  auto& page = Make<LicensePageIsv>();
  struct Case {
    const wchar_t* url;
    UINT code;
    bool opens;
  };
  const Case cases[] = {
      {L"https://www.pellio.example/terms", NM_CLICK, true},
      {L"http://www.pellio.example/privacy", NM_RETURN, true},
      {L"", NM_CLICK, false},
      {L"file:///C:/windows/system32/notepad.exe", NM_CLICK, false},
      {L"C:\\windows\\system32\\notepad.exe", NM_CLICK, false},
      {L"\\\\server\\share\\setup.exe", NM_CLICK, false},
      {L"https://a.example/\" --switch", NM_CLICK, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.url, c.url + lstrlenW(c.url)));
    ClickLink(page, IDC_LICENSE_DISCLAIMER, c.url, c.code);
    EXPECT_EQ(opened, c.opens ? std::vector<std::wstring>{c.url} : std::vector<std::wstring>{});
  }
  // Another control's notification is not a link click.
  ClickLink(page, IDC_LICENSE_EULA, L"https://www.pellio.example/terms");
  EXPECT_TRUE(opened.empty());
}

TEST_F(PageContent, WarningLinksOpenNothing) {
  auto& page = Make<WarningPageZQClassic>();
  ClickLink(page, IDC_WARNING_TEXT, L"https://www.pellio.example/terms");
  EXPECT_TRUE(opened.empty());
}

// Titles are bold, and stay so when the page is hidden and shown again and
// when the language changes.
TEST_F(PageContent, TitlesAreBold) {
  const std::pair<IPage*, int> titles[] = {
      {&Make<WarningPageZQClassic>(), IDC_WARNING_TITLE},
      {&Make<LicensePageIsv>(), IDC_LICENSE_TITLE},
      {&Make<OptionsPageZQClassic>(), IDC_OPTIONS_TITLE},
      {&static_cast<IPage&>(Create(std::unique_ptr<IPage>(
           new ConfigurationsPageZQClassic(languageManager_, host_)))),
       IDC_CONFIGURATIONS_TITLE},
  };
  for (const auto& [page, id] : titles) {
    SCOPED_TRACE(page->GetPageName());
    EXPECT_TRUE(IsBold(page->Item(id)));
    EXPECT_FALSE(IsBold(page->Item(IDC_NEXT))) << "only the title";
    page->ShowWindow(SW_SHOW);
    page->ShowWindow(SW_HIDE);
    SwitchLanguage(1);
    page->ShowWindow(SW_SHOW);
    EXPECT_TRUE(IsBold(page->Item(id)));
    SwitchLanguage(0);
    page->ShowWindow(SW_HIDE);
  }
}

// The link controls sit transparently on the page colour.
TEST_F(PageContent, LinkControlsPaintOnThePageColour) {
  const std::pair<IPage*, int> links[] = {{&Make<WarningPageZQClassic>(), IDC_WARNING_TEXT},
                                          {&Make<LicensePageIsv>(), IDC_LICENSE_DISCLAIMER}};
  for (const auto& [page, id] : links) {
    SCOPED_TRACE(page->GetPageName());
    HDC dc = GetDC(page->hwnd());
    SetBkMode(dc, OPAQUE);
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(
        page->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(page->Item(id))));
    LOGBRUSH logical{};
    ASSERT_NE(brush, nullptr);
    GetObjectW(brush, sizeof logical, &logical);
    EXPECT_EQ(logical.lbColor, settings_->pageColour);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    ReleaseDC(page->hwnd(), dc);
  }
}

TEST_F(PageContent, WelcomeLinksShowTheirTextsAndOpenWebAddressesOnly) {
  settings_->brandedPages = false;
  settings_->termsUrl = L"file:///C:/windows/system32/notepad.exe";
  settings_->extraLinkUrl.clear();
  auto& page = Make<WelcomePageIsv>();
  EXPECT_EQ(page.ItemText(IDC_PRIVACY_LINK), languageManager_->GetText("PRIVACY_LINK"));
  EXPECT_EQ(page.ItemText(IDC_TERMS_LINK), languageManager_->GetText("EULA_LINK"));
  EXPECT_TRUE(IsVisible(page.Item(IDC_PRIVACY_LINK)));
  EXPECT_TRUE(IsVisible(page.Item(IDC_TERMS_LINK)));
  EXPECT_FALSE(IsVisible(page.Item(IDC_SDK_LINK))) << "an empty address hides its link";
  page.ShowWindow(SW_SHOW);
  Click(page, IDC_PRIVACY_LINK);
  EXPECT_EQ(opened, std::vector<std::wstring>{settings_->privacyUrl});
  opened.clear();
  Click(page, IDC_TERMS_LINK);
  EXPECT_TRUE(opened.empty()) << "a file is never opened";
}

TEST_F(PageContent, OptionStatesAreStoredOnlyOnNext) {
  auto& options = Make<OptionsPageZQClassic>();
  auto& configurations = static_cast<IPage&>(
      Create(std::unique_ptr<IPage>(new ConfigurationsPageZQClassic(languageManager_, host_))));
  std::vector<ButtonType> reported;
  for (IPage* page : {static_cast<IPage*>(&options), &configurations}) {
    page->SetButtonCallback([&](ButtonType button) { reported.push_back(button); });
  }
  for (int id : {1056, 1057, 1058}) EXPECT_EQ(IsDlgButtonChecked(options.hwnd(), id), BST_CHECKED);
  for (int id : {1069, 1063, 1066, 1067, 1068}) {
    EXPECT_EQ(IsDlgButtonChecked(configurations.hwnd(), id), BST_CHECKED);
  }
  using Checks = std::array<bool, 8>;
  options.ShowWindow(SW_SHOW);
  Click(options, 1058);  // the user clears the desktop icon
  EXPECT_EQ(settings_->optionChecks, Checks{}) << "nothing stored before Next";
  Click(options, IDC_NEXT);
  EXPECT_EQ(settings_->optionChecks, (Checks{true, true, false, false, false, false, false, false}));
  options.ShowWindow(SW_HIDE);

  configurations.ShowWindow(SW_SHOW);
  Click(configurations, 1069);
  Click(configurations, IDC_BACK);
  EXPECT_EQ(settings_->optionChecks, (Checks{true, true, false, false, false, false, false, false}))
      << "Back stores nothing";
  configurations.ShowWindow(SW_HIDE);

  options.ShowWindow(SW_SHOW);
  EXPECT_EQ(IsDlgButtonChecked(options.hwnd(), 1058), BST_UNCHECKED) << "the box kept its state";
  Click(options, 1058);
  Click(options, IDC_NEXT);
  options.ShowWindow(SW_HIDE);
  configurations.ShowWindow(SW_SHOW);
  EXPECT_EQ(IsDlgButtonChecked(configurations.hwnd(), 1069), BST_UNCHECKED);
  Click(configurations, IDC_NEXT);
  EXPECT_EQ(settings_->optionChecks, (Checks{true, true, true, false, true, true, true, true}));
  EXPECT_EQ(reported, (std::vector<ButtonType>{ButtonType::Next, ButtonType::Back, ButtonType::Next,
                                                ButtonType::Next}));
}

class OfferPage : public PageContent {
 protected:
  void SetUp() override {
    PageContent::SetUp();
    services_ = std::make_shared<PackageServices>(PackageServices{
        *settings_, w::RealSystemInfo(), w::RealCodePages(), w::RealCrypto(), w::RealClock(),
        w::RealRegistry(), sender_, [](std::uint32_t) {}, nullptr, PictureDecoder()});
  }
  void TearDown() override {
    PageContent::TearDown();
    for (auto& offer : offers_) offer->WaitForEvents();
  }

  std::shared_ptr<Package> Offer(std::int32_t index) {
    const JsonValue offer = ParseJson(R"({"ad": {"f": "feed-p", "o": "offer-p"},
        "ps": {"i": "Nimbus", "dn": "Nimbus B\u00e4ckup", "u": "https://localhost/f/nimbus.exe",
               "cp": "https://nimbus.example/privacy", "ctu": "https://nimbus.example/eula"}})");
    offers_.push_back(std::make_shared<Package>(
        services_, EventTemplate(*settings_, w::RealSystemInfo(), w::RealCodePages()), offer, false,
        "", index));
    return offers_.back();
  }
  ProductPage& Page(std::shared_ptr<Package> offer) {
    return static_cast<ProductPage&>(
        Create(std::unique_ptr<IPage>(new ProductPage(languageManager_, std::move(offer), host_))));
  }

  RecordingSender sender_;  // outlives every package
  std::shared_ptr<PackageServices> services_;
  std::vector<std::shared_ptr<Package>> offers_;
};

TEST_F(OfferPage, DisclaimerNamesTheOfferAndLinksItsAddresses) {
  settings_->acceptedOfferCount = 2;
  auto offer = Offer(0);
  offer->image = LoadImageFromResource(GetModuleHandleW(nullptr), IDR_WELCOME_PICTURE, L"IMAGE_BLOB");
  ASSERT_TRUE(offer->image);
  auto& page = Page(offer);
  for (int entry : {0, 1}) {
    SCOPED_TRACE(entry);
    SwitchLanguage(entry);
    const std::wstring shown = page.ItemText(IDC_OFFER_DISCLAIMER);
    EXPECT_NE(shown.find(L"Nimbus B\u00e4ckup"), std::wstring::npos) << "the UTF-8 name";
    EXPECT_EQ(shown.find(L"[PACKAGE_"), std::wstring::npos);
    EXPECT_EQ(LinkUrls(page.Item(IDC_OFFER_DISCLAIMER)),
              (std::vector<std::wstring>{L"https://nimbus.example/eula",
                                         L"https://nimbus.example/privacy"}));
  }
  auto* picture = dynamic_cast<CStaticFromImage*>(ui::Control::FromHandle(page.Item(IDC_OFFER_PICTURE)));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->image(), offer->image);
  ClickLink(page, IDC_OFFER_DISCLAIMER, L"https://nimbus.example/eula");
  EXPECT_EQ(opened, std::vector<std::wstring>{L"https://nimbus.example/eula"});
  ClickLink(page, IDC_OFFER_DISCLAIMER, L"nimbus.exe");
  EXPECT_TRUE(opened.empty());
}

TEST_F(OfferPage, SkipAllIsHiddenOnTheLastOfferAndAtItsFlowLimit) {
  struct Case {
    std::int32_t index;
    std::int32_t eligible;
    std::int32_t flowMaxOffers;  // from the partner block's "cfs"
    bool shown;
  };
  const Case cases[] = {
      {0, 1, kNoFlowLimit, false},
      {0, 2, kNoFlowLimit, true},
      {1, 2, kNoFlowLimit, false},
      {0, 3, 1, false},
      {1, 3, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.index) + " of " + std::to_string(c.eligible) + ", limit " +
                 std::to_string(c.flowMaxOffers));
    settings_->acceptedOfferCount = c.eligible;
    auto offer = Offer(c.index);
    offer->flowMaxOffers = c.flowMaxOffers;
    auto& page = Page(offer);
    EXPECT_EQ(IsVisible(page.Item(IDC_SKIP_ALL)), c.shown);
    EXPECT_TRUE(IsVisible(page.Item(IDC_ACCEPT)));
  }
}

TEST_F(OfferPage, EachArrivalRecordsTheOfferAsShown) {
  auto offer = Offer(0);
  auto& page = Page(offer);
  EXPECT_TRUE(settings_->shownOffers.empty()) << "created is not shown";
  page.OnNavigateToPage();
  EXPECT_EQ(settings_->shownOffers, std::vector<std::shared_ptr<Package>>{offer});
}

TEST_F(OfferPage, AcceptDeclineAndSkipAll) {
  struct Case {
    int button;
    ButtonType reported;
    bool accepted;
  };
  const Case cases[] = {
      {IDC_ACCEPT, ButtonType::Accept, true},
      {IDC_DECLINE, ButtonType::Decline, false},
      {IDC_SKIP_ALL, ButtonType::SkipAll, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    settings_->acceptedOfferCount = 3;
    settings_->declined = false;
    settings_->acceptedOffers.clear();
    const std::size_t reportsBefore = sender_.Codes().size();
    auto offer = Offer(0);
    auto& page = Page(offer);
    std::vector<ButtonType> reported;
    page.SetButtonCallback([&](ButtonType button) { reported.push_back(button); });
    page.ShowWindow(SW_SHOW);
    Click(page, c.button);
    if (c.accepted) Click(page, c.button);  // a second press adds nothing more
    page.ShowWindow(SW_HIDE);
    offer->WaitForEvents();
    EXPECT_EQ(reported, std::vector<ButtonType>(c.accepted ? 2 : 1, c.reported));
    EXPECT_EQ(settings_->acceptedOffers,
              c.accepted ? std::vector<std::shared_ptr<Package>>{offer}
                         : std::vector<std::shared_ptr<Package>>{});
    EXPECT_EQ(settings_->declined, !c.accepted);
    // Accept reports nothing; Decline and Skip All report event 4.
    const std::vector<std::string> codes = sender_.Codes();
    EXPECT_EQ(std::vector<std::string>(codes.begin() + static_cast<long>(reportsBefore), codes.end()),
              c.accepted ? std::vector<std::string>{} : std::vector<std::string>{"4"});
  }
}

}  // namespace
