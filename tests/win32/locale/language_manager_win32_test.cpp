// The language manager against the real services: the locale documents
// linked into this test program, the system's native language names and the
// user's locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "locale/deflated_document.h"
#include "locale/language_manager.h"
#include "platform/win32/win32_platform.h"

namespace {

namespace w = platform::win32;

// Messages are recorded, never shown: a message box would wait for a click.
class RecordingDialogs : public platform::Dialogs {
 public:
  std::vector<std::wstring> texts;
  int ShowMessage(const std::wstring& text, const std::wstring&, std::uint32_t) override {
    texts.push_back(text);
    return platform::kIdOk;
  }
};

class RecordingCombo : public LanguageCombo {
 public:
  std::vector<std::wstring> items;
  int selected = -1;
  bool hidden = false;
  void ClearItems() override { items.clear(); }
  int ItemCount() override { return static_cast<int>(items.size()); }
  void AppendItem(const std::wstring& name) override { items.push_back(name); }
  void SelectItem(int index) override { selected = index; }
  void HideCombo() override { hidden = true; }
};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

struct LanguageManagerWin32 : ::testing::Test {
  RecordingDialogs dialogs;
  std::unique_ptr<ConfigurationManager> settings;

  void SetUp() override {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    constants.productTitle = L"Pellio Classic";
    settings = std::make_unique<ConfigurationManager>(
        constants, ConfigurationPlatform{w::RealFileSystem(), w::RealSystemInfo(), w::RealRegistry(),
                                         w::RealClock(), dialogs});
  }
  void TearDown() override {
    // The settings object made itself a working folder; it is empty.
    if (!settings->workFolder.empty()) RemoveDirectoryW(settings->workFolder.c_str());
  }

  std::unique_ptr<LanguageManager> Make() {
    return std::make_unique<LanguageManager>(
        *settings, LanguagePlatform{w::RealModuleResources(), w::RealLocaleInfo(), dialogs});
  }
};

TEST_F(LanguageManagerWin32, OwnModuleHoldsEveryLocaleDocumentAndNothingElseUnderThatType) {
  std::vector<int> present;
  for (int id = 100; id <= 125; ++id) {
    if (w::RealModuleResources().FindOwnResource(id, L"LOCALE") != 0) present.push_back(id);
  }
  EXPECT_EQ(present, (std::vector<int>{101, 102, 105, 106, 107, 108, 109, 110, 111, 112, 113,
                                       114, 115, 116, 117, 118, 120}));

  for (int id : present) {
    SCOPED_TRACE(id);
    const platform::ResourceHandle resource = w::RealModuleResources().FindOwnResource(id, L"LOCALE");
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    ASSERT_TRUE(w::RealModuleResources().LoadOwnResource(resource, data, size));
    ASSERT_NE(data, nullptr);
    // Stored deflated (the native tests compare them with their sources).
    std::string text;
    ASSERT_TRUE(InflateLocaleDocument(data, size, text));
    if (id == 120) {
      EXPECT_EQ(text.rfind("<!--", 0), 0u);
    } else {
      EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    }
  }
  EXPECT_EQ(w::RealModuleResources().FindOwnResource(101, L"NO_SUCH_TYPE"), 0u);
}

TEST_F(LanguageManagerWin32, EveryLanguageOfBothWizardsLoadsFromTheOwnModule) {
  struct Case {
    std::int32_t wizard;
    bool branded;
    std::vector<std::wstring> languages;
  };
  const Case cases[] = {
      {kWizardIsv, true, {L"English", L"español"}},
      {kWizardDlm,
       false,
       {L"English", L"español", L"português", L"polski", L"čeština", L"dansk", L"Deutsch",
        L"suomi", L"français", L"italiano", L"Nederlands", L"polski", L"русский", L"Türkçe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wizard);
    settings->wizardType = c.wizard;
    settings->brandedPages = c.branded;
    auto manager = Make();
    RecordingCombo combo;
    manager->PopulateLanguageCombo(combo);
    EXPECT_EQ(combo.items, c.languages);
    EXPECT_EQ(combo.hidden, c.branded);
    for (const std::wstring& language : combo.items) {
      ASSERT_TRUE(manager->SetLanguage(language));
      EXPECT_FALSE(manager->GetText("BUTTON_NEXT").empty());
      EXPECT_NE(manager->GetText("PAGE_ERROR_TITLE").find(L"Pellio Classic"), std::wstring::npos);
      EXPECT_EQ(settings->languageName, language);
    }
    if (c.branded) {
      EXPECT_EQ(manager->GetText("LICENSE_TITLE"), L"License Agreement");
    }
    EXPECT_TRUE(dialogs.texts.empty());
  }
}

TEST_F(LanguageManagerWin32, TextsComeOutAsUtf16) {
  settings->wizardType = kWizardDlm;
  settings->brandedPages = false;
  settings->productTitle = L"Pellio \u00DCber \u2713";
  auto manager = Make();
  RecordingCombo combo;
  manager->PopulateLanguageCombo(combo);
  ASSERT_TRUE(manager->SetLanguage(L"polski"));
  EXPECT_EQ(manager->GetText("BUTTON_DECLINE"), L"Odrzu\u0107");
  EXPECT_EQ(manager->GetText("PAGE_DOWNLOAD_ERROR_TITLE"), L"B\u0142\u0105d pobierania");
  EXPECT_EQ(manager->GetText("PROGRESS_STATUS_MAIN"),
            L"Pobieranie programu Pellio \u00DCber \u2713...");
  ASSERT_TRUE(manager->SetLanguage(L"\u0440\u0443\u0441\u0441\u043A\u0438\u0439"));
  EXPECT_EQ(manager->GetText("BUTTON_NEXT"), L"\u0414\u0430\u043B\u0435\u0435");
  ASSERT_TRUE(manager->SetLanguage(L"English"));
  EXPECT_EQ(manager->GetText("SPLASH_TEXT"),
            L"Welcome to the Pellio \u00DCber \u2713 Setup Wizard.\r\n\r\n"
            L"Choose your language and click Next to continue.");
}

TEST_F(LanguageManagerWin32, NativeLanguageNamesComeFromTheSystem) {
  struct Case {
    const wchar_t* locale;
    const wchar_t* display;
  };
  const Case cases[] = {
      {L"en", L"English"},         {L"en-US", L"English"},    {L"en_US", L"English"},
      {L"es", L"espa\u00F1ol"},    {L"pl", L"polski"},        {L"pl-PL", L"polski"},
      {L"pt_BR", L"portugu\u00EAs"}, {L"de", L"Deutsch"},     {L"tr", L"T\u00FCrk\u00E7e"},
      {L"xx_YY", L"xx_YY"},        {L"qq", L"qq"},
  };
  auto manager = Make();
  for (const Case& c : cases) {
    EXPECT_EQ(manager->ToLanguageDisplayName(c.locale), c.display) << c.locale;
  }
  std::wstring value;
  EXPECT_EQ(w::RealLocaleInfo().QueryLocaleInfo(L"qq-ZZ", platform::kLocaleSNativeLanguageName,
                                         platform::kLocaleNameMaxLength, value),
            0);
  // Too small a buffer fails like the system call.
  EXPECT_EQ(w::RealLocaleInfo().QueryLocaleInfo(L"pl", platform::kLocaleSNativeLanguageName, 3, value),
            0);
  EXPECT_EQ(w::RealLocaleInfo().QueryLocaleInfo(L"pl", platform::kLocaleSNativeLanguageName,
                                         platform::kLocaleNameMaxLength, value),
            7);
  EXPECT_EQ(value, L"polski");
}

// Run with LC_ALL set (see ctest.cmake): the user's locale follows it and the
// language list preselects that language.
TEST_F(LanguageManagerWin32, UsersLocaleFollowsTheEnvironment) {
  const std::string expected = Environment("VELLAM_EXPECT_USER_LOCALE");
  std::wstring name;
  const int written = w::RealLocaleInfo().UserDefaultLocaleName(platform::kLocaleNameMaxLength, name);
  ASSERT_GT(written, 0);
  EXPECT_EQ(written, static_cast<int>(name.size()) + 1);
  if (expected.empty()) GTEST_SKIP() << "user locale " << std::string(name.begin(), name.end());
  EXPECT_EQ(name, Wide(expected));

  const std::string language = Environment("VELLAM_EXPECT_LANGUAGE");
  const int index = std::atoi(Environment("VELLAM_EXPECT_DLM_INDEX").c_str());
  settings->wizardType = kWizardDlm;
  settings->brandedPages = false;
  auto manager = Make();
  RecordingCombo combo;
  manager->PopulateLanguageCombo(combo);
  ASSERT_LT(index, static_cast<int>(combo.items.size()));
  EXPECT_EQ(combo.selected, index);
  EXPECT_EQ(combo.items[static_cast<std::size_t>(index)], Wide(language));
}

}  // namespace
