// The locale documents we ship (src/locale/resources), read from the source
// tree through the resource script that lists them.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "locale/deflated_document.h"
#include "locale/language_manager.h"
#include "locale/locale_fakes.h"
#include "support/test_constants.h"

namespace {

std::string ResourceFolder() {
  const std::string here = __FILE__;
  const std::string marker = "tests/native/locale/";
  return here.substr(0, here.rfind(marker)) + "src/locale/resources/";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// id → source file name, from the lines `<id> LOCALE "<file>.deflate"` of
// locale.rc (the build deflates each source document into that file).
std::map<int, std::string> ListedDocuments() {
  std::map<int, std::string> listed;
  std::istringstream script(ReadFile(ResourceFolder() + "locale.rc"));
  const std::regex entry(R"(^\s*(\d+)\s+LOCALE\s+"([^"]+)\.deflate\"\s*$)");
  std::string line;
  std::smatch match;
  while (std::getline(script, line)) {
    if (std::regex_match(line, match, entry)) listed[std::stoi(match[1])] = match[2];
  }
  return listed;
}

const std::vector<std::string> kCommonKeys = {
    "BUTTON_NEXT", "BUTTON_ACCEPT", "BUTTON_DECLINE", "BUTTON_SKIP_ALL", "BUTTON_FINISH",
    "BUTTON_CLOSE", "SPLASH_TEXT", "WELCOME_TITLE", "WELCOME_TEXT", "PRIVACY_LINK", "SDK_LINK",
    "PRODUCT_DISCLAIMER", "PAGE_FINISH_TITLE", "PAGE_FINISH_TEXT", "PROGRESS_TITLE",
    "PROGRESS_DESC", "PAGE_DOWNLOAD_ERROR_TITLE", "PAGE_DOWNLOAD_ERROR_DESC", "PAGE_ERROR_TITLE",
    "PAGE_ERROR_TEXT", "PAGE_CONFIGURATION_ERROR_TITLE", "PAGE_CONFIGURATION_ERROR_DESC",
    "MSG_EXIT", "PROGRESS_QUIT",
    // Carried although no page reads them.
    "PROGRESS_STAT_TEXT", "PROGRESS_STAT_INSTALLING", "PROGRESS_STAT_FINISHED",
    "PROGRESS_STATUS_MAIN", "PROGRESS_STATUS", "PROGRESS_STATUS_START", "UNINSTALL_TEXT",
    "BUTTON_RETRY", "OPEN_PRODUCT_SITE_CHECKBOX"};
const std::vector<std::string> kIsvKeys = {"EULA_LINK", "LAUNCH_CHECKBOX"};
const std::vector<std::string> kDlmKeys = {"TOS_LINK", "LAUNCH_RADIO", "OPEN_FOLDER_RADIO"};
const std::vector<std::string> kEnglishIsvOnlyKeys = {"BUTTON_AGREE", "BUTTON_BACK"};
const std::vector<std::string> kBrandedKeys = {
    "SPLASH_TITLE_ZQ", "SPLASH_TEXT_ZQ", "WARNING_TITLE", "WARNING_SUBTITLE", "WARNING_TEXT",
    "OPTIONS_TITLE", "OPTIONS_CHECK_1", "OPTIONS_CHECK_2", "OPTIONS_CHECK_3",
    "CONFIGURATIONS_TITLE", "CONFIGURATIONS_SUBTITLE_1", "CONFIGURATIONS_TEXT_1",
    "CONFIGURATIONS_CHECK_1", "CONFIGURATIONS_CHECK_2", "CONFIGURATIONS_CHECK_3",
    "CONFIGURATIONS_CHECK_4", "CONFIGURATIONS_CHECK_5", "CONFIGURATIONS_SUBTITLE_2",
    "CONFIGURATIONS_TEXT_2", "LICENSE_TITLE", "LICENSE_TEXT", "LICENSE_DISCLAIMER",
    "LICENSE_EULA"};

struct Expected {
  int id;
  const char* name;
  std::int32_t wizard;
};
const Expected kDocuments[] = {
    {101, "en_US", kWizardIsv}, {102, "es", kWizardIsv},    {105, "en_US", kWizardDlm},
    {106, "es", kWizardDlm},    {107, "pt_BR", kWizardDlm}, {108, "pl", kWizardDlm},
    {109, "cs", kWizardDlm},    {110, "da", kWizardDlm},    {111, "de", kWizardDlm},
    {112, "fi", kWizardDlm},    {113, "fr", kWizardDlm},    {114, "it", kWizardDlm},
    {115, "nl", kWizardDlm},    {116, "pl", kWizardDlm},    {117, "ru", kWizardDlm},
    {118, "tr", kWizardDlm}};

std::set<std::string> Keys(const tinyxml2::XMLNode& parent) {
  std::set<std::string> keys;
  for (auto* e = parent.FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    keys.insert(e->Name());
  }
  return keys;
}

struct ShippedLocales : ::testing::Test {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs settingsDialogs;
  std::unique_ptr<ConfigurationManager> settings;
  FakeModuleResources resources;
  FakeLocaleInfo locales;
  FakeDialogs dialogs;
  std::map<int, std::string> listed = ListedDocuments();

  void SetUp() override {
    settings = std::make_unique<ConfigurationManager>(
        TestConstants(), ConfigurationPlatform{files, system, registry, clock, settingsDialogs});
    for (const auto& [id, file] : listed) {
      resources.locales[id] = ReadFile(ResourceFolder() + file);
    }
  }
};

TEST_F(ShippedLocales, ResourceScriptListsEveryDocumentUnderItsId) {
  std::set<int> ids;
  for (const auto& [id, file] : listed) ids.insert(id);
  std::set<int> expected = {120};
  for (const Expected& doc : kDocuments) expected.insert(doc.id);
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(listed[108], listed[116]);
  for (const auto& [id, file] : listed) {
    SCOPED_TRACE(file);
    EXPECT_FALSE(resources.locales[id].empty()) << "unreadable: " << file;
  }
}

// What the build put into the resources (the native build makes the same
// files): each inflates to exactly its source document, through the
// installer's own inflater, and actually saves space.
TEST_F(ShippedLocales, DeflatedResourcesInflateToTheirSourceDocuments) {
  ASSERT_FALSE(listed.empty());
  for (const auto& [id, file] : listed) {
    SCOPED_TRACE(file);
    const std::string stored = ReadFile(std::string(VELLAM_DEFLATED_LOCALE_DIR) + file + ".deflate");
    ASSERT_FALSE(stored.empty()) << "not built";
    const std::string& source = resources.locales[id];
    EXPECT_LT(stored.size(), source.size() / 2);
    std::string text;
    ASSERT_TRUE(InflateLocaleDocument(reinterpret_cast<const std::uint8_t*>(stored.data()),
                                      stored.size(), text));
    EXPECT_EQ(text, source);

    // Loaded the way the installer loads it: the stored bytes, unchanged.
    resources.stored[id] = stored;
    LanguageManager manager(*settings, {resources, locales, dialogs});
    tinyxml2::XMLDocument document;
    EXPECT_TRUE(manager.LoadLocaleResource(id, document));
    EXPECT_TRUE(dialogs.shown.empty());
  }
}

TEST_F(ShippedLocales, EachLanguageDocumentHasItsNameAndEveryKeyItShouldCarry) {
  for (const Expected& doc : kDocuments) {
    SCOPED_TRACE(doc.id);
    dialogs.shown.clear();
    const std::string& bytes = resources.locales[doc.id];
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);

    LanguageManager manager(*settings, {resources, locales, dialogs});
    tinyxml2::XMLDocument document;
    ASSERT_TRUE(manager.LoadLocaleResource(doc.id, document));
    const tinyxml2::XMLElement* root = document.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Name(), "Locale");
    ASSERT_NE(root->Attribute("name"), nullptr);
    EXPECT_STREQ(root->Attribute("name"), doc.name);

    std::set<std::string> expected(kCommonKeys.begin(), kCommonKeys.end());
    const auto& own = doc.wizard == kWizardIsv ? kIsvKeys : kDlmKeys;
    expected.insert(own.begin(), own.end());
    if (doc.id == 101) expected.insert(kEnglishIsvOnlyKeys.begin(), kEnglishIsvOnlyKeys.end());
    EXPECT_EQ(Keys(*root), expected);

    // Every element has a text: loading reports nothing.
    settings->brandedPages = false;
    EXPECT_TRUE(manager.LoadLocale(document));
    EXPECT_TRUE(dialogs.shown.empty());
  }
}

TEST_F(ShippedLocales, BrandedFragmentHasOnlyItsKeysEachWithText) {
  const std::string& bytes = resources.locales[120];
  EXPECT_EQ(bytes.find("<?xml"), std::string::npos);
  EXPECT_EQ(bytes.find("<Locale"), std::string::npos);
  tinyxml2::XMLDocument fragment;
  ASSERT_EQ(fragment.Parse(bytes.c_str(), bytes.size()), tinyxml2::XML_SUCCESS)
      << fragment.ErrorStr();
  EXPECT_EQ(Keys(fragment), std::set<std::string>(kBrandedKeys.begin(), kBrandedKeys.end()));
  for (auto* e = fragment.FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    ASSERT_NE(e->GetText(), nullptr) << e->Name();
    EXPECT_NE(*e->GetText(), '\0') << e->Name();
  }
}

// Every language of both wizards, as the pages see it after SetLanguage.
TEST_F(ShippedLocales, LoadedLanguagesResolveFullyAndKeepOnlyTheirPagePlaceholders) {
  struct Wizard {
    std::int32_t type;
    bool branded;
  };
  const Wizard wizards[] = {{kWizardIsv, true}, {kWizardIsv, false}, {kWizardDlm, false}};
  const std::regex reference(R"(\{[A-Z0-9_]+\})");
  const std::regex bracket(R"(\[[A-Z_]+\])");
  const std::map<std::string, std::set<std::string>> allowedBrackets = {
      {"PRODUCT_DISCLAIMER", {"[PACKAGE_NAME]", "[PACKAGE_PRIVACY_URL]", "[PACKAGE_EULA_URL]"}},
      {"LICENSE_DISCLAIMER", {"[LICENSE_TOS_URL]", "[LICENSE_PRIVACY_URL]"}}};
  std::set<std::string> splashTexts;
  for (const Wizard& wizard : wizards) {
    settings->wizardType = wizard.type;
    settings->brandedPages = wizard.branded;
    LanguageManager manager(*settings, {resources, locales, dialogs});
    FakeCombo combo;
    manager.PopulateLanguageCombo(combo);
    ASSERT_EQ(combo.items.size(), wizard.type == kWizardIsv ? 2u : 14u);
    for (const std::wstring& language : combo.items) {
      SCOPED_TRACE(std::to_string(wizard.type) + (wizard.branded ? " branded " : " plain ") +
                   std::to_string(splashTexts.size()));
      ASSERT_TRUE(manager.SetLanguage(language));
      EXPECT_TRUE(dialogs.shown.empty());

      std::vector<std::string> read = kCommonKeys;
      const auto& own = wizard.type == kWizardIsv ? kIsvKeys : kDlmKeys;
      read.insert(read.end(), own.begin(), own.end());
      if (wizard.branded) read.insert(read.end(), kBrandedKeys.begin(), kBrandedKeys.end());
      for (const std::string& key : read) EXPECT_FALSE(manager.GetText(key).empty()) << key;

      for (const auto& [key, text] : manager.Texts()) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(std::regex_search(text, reference)) << text;
        const auto allowed = allowedBrackets.find(key);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), bracket);
             it != std::sregex_iterator(); ++it) {
          ASSERT_NE(allowed, allowedBrackets.end()) << text;
          EXPECT_EQ(allowed->second.count(it->str()), 1u) << it->str();
        }
        // Link markup only where a link control shows it, and well formed.
        const std::regex anchor(R"(<a href="[^"<>]*">[^<>]+</a>)");
        const std::string stripped = std::regex_replace(text, anchor, "");
        EXPECT_EQ(stripped.find('<'), std::string::npos) << text;
        EXPECT_EQ(stripped.find('>'), std::string::npos) << text;
        if (allowed == allowedBrackets.end()) {
          EXPECT_EQ(stripped, text);
        }
      }
      EXPECT_NE(manager.Texts().at("PROGRESS_STATUS").find("$percent$"), std::string::npos);
      splashTexts.insert(manager.Texts().at("SPLASH_TEXT"));
    }
  }
  // Fourteen distinct languages (Polish listed twice, English and Spanish in
  // both wizards): every language has its own words.
  EXPECT_EQ(splashTexts.size(), 13u);
}

TEST_F(ShippedLocales, EnglishTextsAreTheOnesTheProgramDocuments) {
  struct Case {
    std::int32_t wizard;
    const char* key;
    std::wstring text;
  };
  const Case cases[] = {
      {kWizardIsv, "PROGRESS_TITLE", L"Installation Status"},
      {kWizardIsv, "PROGRESS_DESC",
       L"Please wait while the installer wizard downloads and optimizes necessary packages."},
      {kWizardIsv, "PAGE_ERROR_TITLE", L"Error occurred while installing Pellio Classic."},
      {kWizardIsv, "BUTTON_NEXT", L"Next"},
      {kWizardDlm, "PROGRESS_TITLE", L"Downloading"},
      {kWizardDlm, "PROGRESS_DESC", L"Downloading Pellio Classic, sit back and relax"},
      {kWizardDlm, "PAGE_DOWNLOAD_ERROR_TITLE", L"Error in downloading"},
      {kWizardDlm, "PAGE_DOWNLOAD_ERROR_DESC", L"Please try to download later"},
      {kWizardDlm, "PAGE_CONFIGURATION_ERROR_TITLE", L"Something went wrong"},
      {kWizardDlm, "PAGE_CONFIGURATION_ERROR_DESC", L"Please try to download later"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    settings->wizardType = c.wizard;
    settings->brandedPages = false;
    LanguageManager manager(*settings, {resources, locales, dialogs});
    FakeCombo combo;
    manager.PopulateLanguageCombo(combo);
    ASSERT_TRUE(manager.SetLanguage(L"English"));
    EXPECT_EQ(manager.GetText(c.key), c.text);
  }
}

TEST_F(ShippedLocales, PolishUserOfTheDlmWizardGetsTheSecondPolishEntry) {
  settings->wizardType = kWizardDlm;
  settings->brandedPages = false;
  locales.userLocale = L"pl-PL";
  LanguageManager manager(*settings, {resources, locales, dialogs});
  FakeCombo combo;
  manager.PopulateLanguageCombo(combo);
  const std::vector<std::wstring> expected = {
      L"English", L"español", L"português", L"polski",     L"čeština", L"dansk",   L"Deutsch",
      L"suomi",   L"français", L"italiano", L"Nederlands", L"polski",  L"русский", L"Türkçe"};
  EXPECT_EQ(combo.items, expected);
  EXPECT_EQ(combo.selected, 11);
  resources.loaded.clear();
  ASSERT_TRUE(manager.SetLanguage(combo.items[combo.selected]));
  EXPECT_EQ(resources.loaded, std::vector<int>{116});
  EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Dalej");
  EXPECT_EQ(settings->localeName, L"pl");
}

}  // namespace
