// The pages against the real language manager and locale documents: names,
// bindings, re-localisation, the buttons each page reports, the bar colour,
// and Enter and Escape inside a page.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/singletons.h"
#include "pages/page_factory.h"
#include "pages_support.h"
#include "platform/win32/win32_platform.h"
#include "ui/link_button.h"

namespace {

namespace w = platform::win32;

std::shared_ptr<LanguageManager> MakeLanguageManager() {
  return std::make_shared<LanguageManager>(
      *GetConfigurationManager(), LanguagePlatform{w::RealModuleResources(), w::RealLocaleInfo(), w::RealDialogs()});
}

using PageMaker = std::function<std::unique_ptr<IPage>(const SharedLanguageManager&, HWND)>;

struct PageSpec {
  const char* label;
  PageMaker make;
  const wchar_t* name;
  // The bindings in order; a negative id marks a binding whose control the
  // template lacks.
  std::vector<std::pair<int, const char*>> bindings;
  std::vector<std::pair<int, ButtonType>> buttons;
};

std::vector<PageSpec> Pages() {
  using B = ButtonType;
  return {
      {"error", [](auto& lm, HWND p) { return std::unique_ptr<IPage>(MakePage<ErrorPage>(lm, p)); },
       L"ErrorPage", {{1035, "BUTTON_CLOSE"}}, {{1035, B::Close}}},
      {"language", MakePage<LanguagePage, IPage>, L"LanguagePage",
       {{1010, "BUTTON_NEXT"}, {1011, "SPLASH_TEXT"}}, {{1010, B::Next}}},
      {"language branded", MakePage<LanguagePageZQ, IPage>, L"LanguagePageZQ",
       {{1010, "BUTTON_NEXT"}, {1013, "SPLASH_TITLE_ZQ"}, {1012, "SPLASH_TEXT_ZQ"}}, {{1010, B::Next}}},
      {"loading", [](auto& lm, HWND p) { return std::unique_ptr<IPage>(new LoadingPage(lm, p)); },
       L"LoadingPage", {}, {}},
      {"welcome", MakePage<WelcomePageIsv, IPage>, L"WelcomePage",
       {{1008, "PRODUCT_TITLE"}, {1017, "WELCOME_TITLE"}, {1018, "WELCOME_TEXT"}, {1010, "BUTTON_NEXT"},
        {1039, "PRIVACY_LINK"}, {1040, "EULA_LINK"}, {1041, "SDK_LINK"}},
       {{1010, B::Next}}},
      {"warning", MakePage<WarningPageZQClassic, IPage>, L"WarningPageZQClassic",
       {{-1008, "PRODUCT_TITLE"}, {1052, "WARNING_TITLE"}, {1053, "WARNING_SUBTITLE"},
        {1054, "WARNING_TEXT"}, {1010, "BUTTON_NEXT"}, {1051, "BUTTON_BACK"}},
       {{1010, B::Next}, {1051, B::Back}}},
      {"licence", MakePage<LicensePageIsv, IPage>, L"LicensePage",
       {{-1008, "PRODUCT_TITLE"}, {1019, "LICENSE_TITLE"}, {1020, "LICENSE_TEXT"}, {1050, "BUTTON_AGREE"},
        {1051, "BUTTON_BACK"}, {1046, "LICENSE_EULA"}, {1047, "LICENSE_DISCLAIMER"}},
       {{1050, B::Next}, {1051, B::Back}}},
      {"offer",
       [](auto& lm, HWND p) { return std::unique_ptr<IPage>(new ProductPage(lm, nullptr, p)); },
       L"ProductPage",
       {{1021, "BUTTON_ACCEPT"}, {1022, "BUTTON_DECLINE"}, {1048, "BUTTON_SKIP_ALL"},
        {1042, "PRODUCT_DISCLAIMER"}},
       {{1021, B::Accept}, {1022, B::Decline}, {1048, B::SkipAll}}},
      {"options", MakePage<OptionsPageZQClassic, IPage>, L"OptionsPageZQClassic",
       {{1055, "OPTIONS_TITLE"}, {1056, "OPTIONS_CHECK_1"}, {1057, "OPTIONS_CHECK_2"},
        {1058, "OPTIONS_CHECK_3"}, {1010, "BUTTON_NEXT"}},
       {{1010, B::Next}}},
      {"configurations",
       [](auto& lm, HWND p) { return std::unique_ptr<IPage>(new ConfigurationsPageZQClassic(lm, p)); },
       L"ConfigurationsPageZQClassic",
       {{1059, "CONFIGURATIONS_TITLE"}, {1060, "CONFIGURATIONS_SUBTITLE_1"}, {1061, "CONFIGURATIONS_TEXT_1"},
        {1062, "CONFIGURATIONS_CHECK_1"}, {1063, "CONFIGURATIONS_CHECK_2"},
        {1064, "CONFIGURATIONS_SUBTITLE_2"}, {1065, "CONFIGURATIONS_TEXT_2"},
        {1066, "CONFIGURATIONS_CHECK_3"}, {1067, "CONFIGURATIONS_CHECK_4"},
        {1068, "CONFIGURATIONS_CHECK_5"}, {1010, "BUTTON_NEXT"}, {1051, "BUTTON_BACK"}},
       {{1010, B::Next}, {1051, B::Back}}},
      {"download DLM", MakePage<DownloadPageDlm, IPage>, L"DownloadPageDLM",
       {{1025, "PROGRESS_TITLE"}, {1026, "PROGRESS_DESC"}}, {}},
      {"download ISV",
       [](auto& lm, HWND p) { return std::unique_ptr<IPage>(new DownloadPageIsv(lm, p)); },
       L"DownloadPageISV", {{1025, "PROGRESS_TITLE"}, {1026, "PROGRESS_DESC"}}, {}},
      {"finish DLM", MakePage<FinishPageDlm, IPage>, L"FinishPageDLM",
       {{1030, "PAGE_FINISH_TITLE"}, {1033, "PAGE_FINISH_TEXT"}, {1028, "BUTTON_FINISH"},
        {1031, "LAUNCH_RADIO"}, {1034, "OPEN_FOLDER_RADIO"}},
       {{1028, B::Finish}}},
      {"finish ISV", MakePage<FinishPageIsv, IPage>, L"FinishPageISV",
       {{1030, "PAGE_FINISH_TITLE"}, {1033, "PAGE_FINISH_TEXT"}, {1028, "BUTTON_FINISH"},
        {1044, "LAUNCH_CHECKBOX"}},
       {{1028, B::Finish}}},
  };
}

// A top-level window holding pages, like the wizard's page area.
class PageHost : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = GetConfigurationManager();
    savedBranded_ = settings_->brandedPages;
    savedWizard_ = settings_->wizardType;
    host_ = CreateWindowExW(0, L"Static", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 700, 600, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(host_, nullptr);
    languageManager_ = MakeLanguageManager();
  }
  void TearDown() override {
    pages_.clear();
    DestroyWindow(host_);
    settings_->brandedPages = savedBranded_;
    settings_->wizardType = savedWizard_;
  }

  IPage& Add(const PageSpec& entry) {
    pages_.push_back(entry.make(languageManager_, host_));
    IPage& page = *pages_.back();
    EXPECT_TRUE(page.Create(host_)) << entry.label;
    page.SetBackgroundColour(settings_->pageColour);
    return page;
  }

  std::shared_ptr<ConfigurationManager> settings_;
  bool savedBranded_ = true;
  std::int32_t savedWizard_ = kWizardIsv;
  HWND host_ = nullptr;
  std::shared_ptr<LanguageManager> languageManager_;
  std::vector<std::unique_ptr<IPage>> pages_;
};

TEST_F(PageHost, NamesAndBindingsOfEveryPage) {
  for (const PageSpec& entry : Pages()) {
    SCOPED_TRACE(entry.label);
    IPage& page = Add(entry);
    EXPECT_EQ(page.GetPageName(), entry.name);
    const auto& bindings = page.textBindings();
    ASSERT_EQ(bindings.size(), entry.bindings.size());
    for (size_t i = 0; i < bindings.size(); ++i) {
      const int id = entry.bindings[i].first;
      EXPECT_EQ(bindings[i].key, entry.bindings[i].second);
      if (id < 0) {
        EXPECT_EQ(bindings[i].control, nullptr) << "the template has no " << -id;
      } else {
        EXPECT_EQ(bindings[i].control, page.Item(id)) << id;
      }
    }
  }
}

// Every page, shown or not, follows each language: a bound control shows its
// key's text, and a key without text keeps what the control showed before.
TEST_F(PageHost, EveryPageFollowsEachLanguage) {
  settings_->brandedPages = false;  // the combo box is visible and offers both languages
  IPage* language = nullptr;
  for (const PageSpec& entry : Pages()) {
    IPage& page = Add(entry);
    if (page.GetPageName() == L"LanguagePage") language = &page;
  }
  ASSERT_NE(language, nullptr);
  HWND combo = language->Item(1000);
  ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_TRUE(GetWindowLongW(combo, GWL_STYLE) & WS_VISIBLE);

  std::vector<std::wstring> seen;
  for (int entry : {0, 1, 0}) {
    std::vector<std::wstring> before;
    for (auto& page : pages_) {
      for (const auto& binding : page->textBindings()) before.push_back(WindowCaption(binding.control));
    }
    // As the user does it: select the entry, the combo box tells its page.
    SendMessageW(combo, CB_SETCURSEL, entry, 0);
    SendMessageW(language->hwnd(), WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    wchar_t name[128] = {};
    SendMessageW(combo, CB_GETLBTEXT, entry, reinterpret_cast<LPARAM>(name));
    EXPECT_EQ(settings_->languageName, name);
    EXPECT_EQ(settings_->localeName, entry == 0 ? L"en_US" : L"es");

    size_t index = 0;
    for (auto& page : pages_) {
      SCOPED_TRACE(page->GetPageName());
      for (const auto& binding : page->textBindings()) {
        SCOPED_TRACE(binding.key);
        const std::wstring text = languageManager_->GetText(binding.key);
        if (!binding.control) {
          ++index;
          continue;
        }
        EXPECT_EQ(WindowCaption(binding.control), text.empty() ? before[index] : text);
        ++index;
      }
    }
    seen.push_back(language->ItemText(1010));
  }
  EXPECT_EQ(seen[0], L"Next");
  EXPECT_NE(seen[1], seen[0]) << "the Spanish Next button differs";
  EXPECT_EQ(seen[2], seen[0]);
}

TEST_F(PageHost, BrandedLanguagePageHidesTheChoiceAndAppliesTheLanguage) {
  settings_->brandedPages = true;
  IPage& page = Add(Pages()[2]);
  ASSERT_EQ(page.GetPageName(), L"LanguagePageZQ");
  EXPECT_FALSE(GetWindowLongW(page.Item(1000), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(settings_->languageName.empty()) << "a language is applied without a choice";
  EXPECT_EQ(page.ItemText(1010), languageManager_->GetText("BUTTON_NEXT"));
  EXPECT_EQ(page.ItemText(1013), languageManager_->GetText("SPLASH_TITLE_ZQ"));
  EXPECT_FALSE(page.ItemText(1013).empty());
}

TEST_F(PageHost, ButtonsReportTheirType) {
  for (const PageSpec& entry : Pages()) {
    SCOPED_TRACE(entry.label);
    IPage& page = Add(entry);
    std::vector<ButtonType> reported;
    page.SetButtonCallback([&](ButtonType button) { reported.push_back(button); });
    page.SetErrorCallback([](const std::wstring&, const std::wstring&) {});
    page.ShowWindow(SW_SHOW);
    for (const auto& [id, type] : entry.buttons) {
      reported.clear();
      SendMessageW(page.Item(id), BM_CLICK, 0, 0);
      PumpMessages();
      EXPECT_EQ(reported, std::vector<ButtonType>{type}) << "button " << id;
    }
    page.ShowWindow(SW_HIDE);
  }
}

TEST_F(PageHost, ButtonBarHasTheBarColourAndOtherStaticsThePageColour) {
  IPage& page = Add(Pages()[8]);  // options: a bar and a bold title static
  HDC dc = GetDC(page.hwnd());
  auto brushColour = [&](int id) {
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageW(page.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(page.Item(id))));
    LOGBRUSH logical{};
    EXPECT_NE(brush, nullptr);
    GetObjectW(brush, sizeof logical, &logical);
    return logical.lbColor;
  };
  EXPECT_EQ(brushColour(1002), settings_->barColour);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(brushColour(1055), settings_->pageColour);
  ReleaseDC(page.hwnd(), dc);
}

TEST_F(PageHost, ErrorPageShowsExactlyWhatItIsGivenAndIgnoresTheErrorCallback) {
  auto error = MakePage<ErrorPage>(languageManager_, host_);
  ASSERT_TRUE(error->Create(host_));
  bool called = false;
  error->SetErrorCallback([&](const std::wstring&, const std::wstring&) { called = true; });
  error->SetMessage(L"B\u0142\u0105d pobierania", L"Nie uda\u0142o si\u0119 <pobra\u0107> & {PRODUCT_TITLE}");
  EXPECT_EQ(error->ItemText(1036), L"B\u0142\u0105d pobierania");
  EXPECT_EQ(error->ItemText(1037), L"Nie uda\u0142o si\u0119 <pobra\u0107> & {PRODUCT_TITLE}");
  EXPECT_FALSE(called);
}

// The welcome page's links fit their texts, point at the settings' addresses
// and are not offered without one; 1040 names the licence of the wizard type.
TEST_F(PageHost, WelcomeLinksFitTheirTextsAndNeedAnAddress) {
  struct Case {
    std::int32_t wizard;
    const char* termsKey;
  };
  for (const Case& c : {Case{kWizardIsv, "EULA_LINK"}, Case{kWizardDlm, "TOS_LINK"}}) {
    SCOPED_TRACE(c.termsKey);
    settings_->wizardType = c.wizard;
    const std::wstring savedExtra = settings_->extraLinkUrl;
    settings_->extraLinkUrl.clear();
    IPage& page = Add(Pages()[4]);
    settings_->extraLinkUrl = savedExtra;
    ASSERT_EQ(page.GetPageName(), L"WelcomePage");
    EXPECT_EQ(page.textBindings()[5].key, c.termsKey);
    EXPECT_TRUE(GetWindowLongW(page.Item(1039), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(page.Item(1041), GWL_STYLE) & WS_VISIBLE) << "no address, no link";
#if defined(__GXX_RTTI)
    auto* privacy = dynamic_cast<ui::LinkButton*>(ui::Control::FromHandle(page.Item(1039)));
#else
    // The shipped i686 build has no run-time type information.
    auto* privacy = static_cast<ui::LinkButton*>(ui::Control::FromHandle(page.Item(1039)));
#endif
    ASSERT_NE(privacy, nullptr);
    EXPECT_EQ(privacy->URL(), settings_->privacyUrl);
    // Sized to its text: a new language resizes it again.
    const std::wstring caption = WindowCaption(page.Item(1039));
    RECT before;
    GetWindowRect(page.Item(1039), &before);
    SetWindowTextW(page.Item(1039), (caption + caption + caption).c_str());
    privacy->SizeToContent();
    RECT after;
    GetWindowRect(page.Item(1039), &after);
    EXPECT_GT(after.right - after.left, 2 * (before.right - before.left));
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  }
}

// Enter presses the language page's Next and Escape closes nothing: a modal
// wizard-like host with the language page, keys typed into the page.
class KeyHost : public ui::Dialog {
 public:
  explicit KeyHost(std::shared_ptr<LanguageManager> languageManager)
      : ui::Dialog(103, nullptr), languageManager_(std::move(languageManager)) {}
  std::vector<ButtonType> reported;

 protected:
  BOOL OnInitDialog() override {
    page_ = MakePage<LanguagePage, IPage>(languageManager_, hwnd());
    page_->Create(hwnd());
    page_->SetButtonCallback([this](ButtonType button) {
      reported.push_back(button);
      EndDialog(42);
    });
    page_->ShowWindow(SW_SHOW);
    SetFocus(page_->Item(1000));
    SetTimer(hwnd(), 1, 50, nullptr);
    return FALSE;  // the focus is set
  }
  void OnCancel() override { EndDialog(IDCANCEL); }
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
    if (message != WM_TIMER) return false;
    HWND focus = GetFocus();
    switch (++ticks_) {
      case 1:  // Escape in the combo box, then in a push button's place
        PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0);
        break;
      case 3:
        PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageW(focus, WM_KEYUP, VK_RETURN, 0);
        break;
      case 40:
        EndDialog(7);  // nothing happened
        break;
    }
    return true;
  }

 private:
  std::shared_ptr<LanguageManager> languageManager_;
  std::unique_ptr<IPage> page_;
  int ticks_ = 0;
};

TEST_F(PageHost, EnterActsAsNextAndEscapeClosesNothing) {
  settings_->brandedPages = false;
  KeyHost wizard(languageManager_);
  EXPECT_EQ(wizard.DoModal(), 42) << "7: Enter did nothing; 2: Escape closed the wizard";
  EXPECT_EQ(wizard.reported, std::vector<ButtonType>{ButtonType::Next});
}

}  // namespace
