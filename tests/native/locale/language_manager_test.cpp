// The language manager's table logic against locale documents given as text.
#include "locale/language_manager.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

#include "config/configuration_manager.h"
#include "locale/deflated_document.h"
#include "fakes/fake_platform.h"
#include "locale/locale_fakes.h"
#include "support/test_constants.h"

namespace {

std::string Document(const std::string& name, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Locale name=\"" + name + "\">" + body +
         "</Locale>\n";
}

const std::wstring kParseFailure = L"Failed to parse language xml file, error code: ";

struct LanguageManagerTest : ::testing::Test {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs settingsDialogs;
  std::unique_ptr<ConfigurationManager> settings;
  FakeModuleResources resources;
  FakeLocaleInfo locales;
  FakeDialogs dialogs;
  FakeCombo combo;
  std::vector<std::string> journal;

  void SetUp() override {
    settings = std::make_unique<ConfigurationManager>(
        TestConstants(), ConfigurationPlatform{files, system, registry, clock, settingsDialogs});
    settings->wizardType = kWizardIsv;
    settings->brandedPages = false;
    settings->productTitle = L"Pellio Classic";
  }

  LanguageManager Make() { return LanguageManager(*settings, {resources, locales, dialogs}); }

  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> texts;
    for (const auto& shown : dialogs.shown) texts.push_back(shown.text);
    return texts;
  }

  // ISV documents 101/102 with the given bodies, listed and the first set.
  void LoadIsv(LanguageManager& manager, const std::string& english,
               const std::string& spanish = "<BUTTON_NEXT>Siguiente</BUTTON_NEXT>") {
    resources.locales[101] = Document("en_US", english);
    resources.locales[102] = Document("es", spanish);
    manager.PopulateLanguageCombo(combo);
    ASSERT_TRUE(manager.SetLanguage(L"English"));
  }
};

TEST_F(LanguageManagerTest, ResourceIdsFollowTheWizardType) {
  struct Case {
    std::int32_t wizardType;
    std::vector<int> ids;
    bool complains;
  };
  const Case cases[] = {
      {kWizardDlm, {105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118}, false},
      {kWizardIsv, {101, 102}, false},
      {kWizardUnknown, {}, true},
      {3, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wizardType);
    dialogs.shown.clear();
    settings->wizardType = c.wizardType;
    LanguageManager manager = Make();
    EXPECT_EQ(manager.GetLocaleResourceIds(), c.ids);
    if (c.complains) {
      ASSERT_EQ(dialogs.shown.size(), 1u);
      EXPECT_EQ(dialogs.shown[0].text, L"Unknown wizard type (language manager");
      EXPECT_EQ(dialogs.shown[0].flags, platform::kMbOk);
    } else {
      EXPECT_TRUE(dialogs.shown.empty());
    }
  }
}

TEST_F(LanguageManagerTest, DisplayNameTriesTheFullNameThenTwoLettersThenGivesTheNameItself) {
  struct Case {
    std::wstring locale;
    std::wstring display;
    std::vector<std::wstring> asked;
  };
  const Case cases[] = {
      {L"pl-PL", L"polski", {L"pl-PL"}},
      {L"en_US", L"English", {L"en_US", L"en"}},
      {L"pt_BR", L"português", {L"pt_BR", L"pt"}},
      {L"xx_YY", L"xx_YY", {L"xx_YY", L"xx"}},
      {L"xx", L"xx", {L"xx"}},  // two characters: no second try
      {L"x", L"x", {L"x"}},
  };
  LanguageManager manager = Make();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.locale.begin(), c.locale.end()));
    locales.asked.clear();
    EXPECT_EQ(manager.ToLanguageDisplayName(c.locale), c.display);
    EXPECT_EQ(locales.asked, c.asked);
  }
}

TEST_F(LanguageManagerTest, ComboListsEveryDocumentAndPreselectsTheUsersLanguage) {
  struct Case {
    const char* label;
    bool userLocaleOk;
    std::wstring userLocale;
    int selected;
  };
  const Case cases[] = {
      {"user language offered", true, L"es-ES", 1},
      {"English user", true, L"en-US", 0},
      {"language not offered: first entry", true, L"de-DE", 0},
      {"unknown locale name: itself, no match", true, L"zz-ZZ", 0},
      {"no user locale: English", false, L"", 0},
      {"empty user locale: English", true, L"", 0},
  };
  resources.locales[101] = Document("en_US", "<BUTTON_NEXT>Next</BUTTON_NEXT>");
  resources.locales[102] = Document("es", "<BUTTON_NEXT>Siguiente</BUTTON_NEXT>");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    locales.userLocaleOk = c.userLocaleOk;
    locales.userLocale = c.userLocale;
    LanguageManager manager = Make();
    manager.PopulateLanguageCombo(combo);
    EXPECT_EQ(combo.items, (std::vector<std::wstring>{L"English", L"español"}));
    EXPECT_EQ(combo.selected, c.selected);
    EXPECT_FALSE(combo.hidden);
    EXPECT_TRUE(dialogs.shown.empty());
  }
}

TEST_F(LanguageManagerTest, EmptyDisplayNameOfTheUserLocaleFallsBackToEnglish) {
  settings->wizardType = kWizardIsv;
  resources.locales[101] = Document("es", "<A>a</A>");
  resources.locales[102] = Document("en_US", "<A>b</A>");
  locales.userLocale = L"qq-QQ";
  locales.nativeNames[L"qq-QQ"] = L"";
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);
  EXPECT_EQ(combo.selected, 1);
}

TEST_F(LanguageManagerTest, DocumentsThatCannotBeListedAreSkippedWithTheirMessage) {
  settings->wizardType = kWizardDlm;
  resources.locales[105] = Document("en_US", "<A>a</A>");
  // 106 is missing altogether.
  resources.locales[107] = Document("pt_BR", "<A>a</A>");
  resources.unloadable.insert(107);
  resources.locales[108] = "<Locale name=\"pl\"><A>a</A>";  // not closed
  resources.locales[109] = "";
  resources.locales[110] = std::string("\0<Locale name=\"da\"/>", 20);
  resources.locales[111] = "<?xml version=\"1.0\"?><Language name=\"de\"><A>a</A></Language>";
  resources.locales[112] = "<Locale><A>a</A></Locale>";
  resources.locales[113] = Document("fr", "<A>a</A>");
  for (int id : {114, 115, 116, 117, 118}) {
    resources.locales[id] = Document("xx", "<A>a</A>");
    resources.unloadable.insert(id);
  }
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);

  EXPECT_EQ(combo.items, (std::vector<std::wstring>{L"English", L"français"}));
  const std::vector<std::wstring> messages = Messages();
  ASSERT_EQ(messages.size(), 11u);
  EXPECT_EQ(messages[0], L"Failed to find resource with id: 106");
  EXPECT_EQ(messages[1], L"Failed to load resource with id: 107");
  EXPECT_EQ(messages[2].rfind(kParseFailure, 0), 0u);
  EXPECT_NE(messages[2].find(L"XML_ERROR"), std::wstring::npos) << messages[2];
  EXPECT_NE(messages[3].find(L"XML_ERROR_EMPTY_DOCUMENT"), std::wstring::npos) << messages[3];
  EXPECT_NE(messages[4].find(L"XML_ERROR_EMPTY_DOCUMENT"), std::wstring::npos) << messages[4];
  // 111 has no Locale root: skipped without a word.
  EXPECT_EQ(messages[5], kParseFailure + L"No name attribute");
  EXPECT_EQ(messages[6], L"Failed to load resource with id: 114");
  EXPECT_EQ(messages[10], L"Failed to load resource with id: 118");
  for (const auto& shown : dialogs.shown) {
    EXPECT_EQ(shown.caption, L"");
    EXPECT_EQ(shown.flags, platform::kMbOk);
  }
  for (const auto& type : resources.typesAsked) EXPECT_EQ(type, L"LOCALE");
}

// The documents are stored deflated; bytes that are not one whole raw deflate
// stream of a sensible size are a load failure, not a document.
TEST_F(LanguageManagerTest, StoredBytesThatDoNotInflateAreALoadFailure) {
  const std::string document = Document("en_US", "<A>a</A>");
  const std::string deflated = Deflated(document);
  const struct {
    const char* what;
    std::string stored;
  } cases[] = {
      {"the document itself, not deflated", document},
      {"no bytes", ""},
      {"cut short", deflated.substr(0, deflated.size() - 3)},
      {"bytes after the stream's end", deflated + "<A>b</A>"},
      {"with a zlib header", std::string("\x78\xDA") + deflated},
      {"inflates beyond the limit", Deflated(std::string(kMaxLocaleDocumentBytes + 1, ' '))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs.shown.clear();
    resources.stored[101] = c.stored;
    LanguageManager manager = Make();
    tinyxml2::XMLDocument parsed;
    EXPECT_FALSE(manager.LoadLocaleResource(101, parsed));
    EXPECT_EQ(Messages(), std::vector<std::wstring>{L"Failed to load resource with id: 101"});
  }

  // The same bytes, whole, load; so does the largest document allowed.
  for (const std::string& text :
       {document, document + std::string(kMaxLocaleDocumentBytes - document.size(), ' ')}) {
    dialogs.shown.clear();
    resources.stored[101] = Deflated(text);
    LanguageManager manager = Make();
    tinyxml2::XMLDocument parsed;
    EXPECT_TRUE(manager.LoadLocaleResource(101, parsed));
    EXPECT_TRUE(Messages().empty());
  }
}

TEST_F(LanguageManagerTest, RepeatedDisplayNameIsListedTwiceAndTheLaterDocumentWins) {
  settings->wizardType = kWizardDlm;
  for (int id = 105; id <= 118; ++id) resources.locales[id] = Document("en_US", "<A>en</A>");
  resources.locales[106] = Document("es", "<A>es</A>");
  resources.locales[108] = Document("pl", "<A>first</A>");
  resources.locales[116] = Document("pl", "<A>second</A>");
  locales.userLocale = L"pl-PL";
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);

  ASSERT_EQ(combo.items.size(), 14u);
  EXPECT_EQ(combo.items[3], L"polski");
  EXPECT_EQ(combo.items[11], L"polski");
  EXPECT_EQ(combo.selected, 11);  // the last match
  resources.loaded.clear();
  ASSERT_TRUE(manager.SetLanguage(L"polski"));
  EXPECT_EQ(resources.loaded, std::vector<int>{116});
  EXPECT_EQ(manager.GetText("A"), L"second");
}

TEST_F(LanguageManagerTest, BrandedWizardHidesTheCombo) {
  settings->brandedPages = true;
  resources.locales[101] = Document("en_US", "<A>a</A>");
  resources.locales[102] = Document("es", "<A>a</A>");
  locales.userLocale = L"es-ES";
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);
  EXPECT_TRUE(combo.hidden);
  EXPECT_EQ(combo.selected, 1);
}

TEST_F(LanguageManagerTest, RepopulatingStartsFromAnEmptyComboAndEmptyMaps) {
  resources.locales[101] = Document("en_US", "<A>a</A>");
  resources.locales[102] = Document("es", "<A>b</A>");
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);
  resources.locales[102] = Document("fr", "<A>c</A>");
  manager.PopulateLanguageCombo(combo);
  EXPECT_EQ(combo.clears, 2);
  EXPECT_EQ(combo.items, (std::vector<std::wstring>{L"English", L"français"}));
  EXPECT_FALSE(manager.SetLanguage(L"español"));
  EXPECT_TRUE(manager.SetLanguage(L"français"));
  EXPECT_EQ(settings->localeName, L"fr");
}

TEST_F(LanguageManagerTest, UnknownWizardTypeGivesAnEmptyCombo) {
  settings->wizardType = kWizardUnknown;
  LanguageManager manager = Make();
  manager.PopulateLanguageCombo(combo);
  EXPECT_TRUE(combo.items.empty());
  EXPECT_EQ(combo.selected, 0);
  EXPECT_FALSE(manager.SetLanguage(L"English"));
}

TEST_F(LanguageManagerTest, SetLanguageLoadsTheTextsUpdatesEveryPageAndRecordsTheChoice) {
  FakePage first("first", journal);
  FakePage second("second", journal);
  LanguageManager manager = Make();
  manager.RegisterPage(&first);
  manager.RegisterPage(&second);
  LoadIsv(manager, "<BUTTON_NEXT>Next</BUTTON_NEXT>");

  EXPECT_EQ(journal, (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Next");
  EXPECT_EQ(settings->languageName, L"English");
  EXPECT_EQ(settings->localeName, L"en_US");
  EXPECT_EQ(manager.CurrentLanguageName(), L"English");
  EXPECT_EQ(manager.CurrentLocaleName(), L"en_US");

  ASSERT_TRUE(manager.SetLanguage(L"español"));
  EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Siguiente");
  EXPECT_EQ(settings->languageName, L"español");
  EXPECT_EQ(settings->localeName, L"es");
  EXPECT_EQ(journal.size(), 4u);
}

TEST_F(LanguageManagerTest, SetLanguageThatCannotLoadChangesNothing) {
  FakePage page("page", journal);
  LanguageManager manager = Make();
  manager.RegisterPage(&page);
  LoadIsv(manager, "<BUTTON_NEXT>Next</BUTTON_NEXT>");
  journal.clear();
  dialogs.shown.clear();

  EXPECT_FALSE(manager.SetLanguage(L"Deutsch"));  // never listed
  EXPECT_TRUE(dialogs.shown.empty());

  resources.locales.erase(102);  // listed, then gone
  EXPECT_FALSE(manager.SetLanguage(L"español"));
  EXPECT_EQ(Messages(), std::vector<std::wstring>{L"Failed to find resource with id: 102"});

  resources.locales[102] = "<Locale name=\"es\">";
  EXPECT_FALSE(manager.SetLanguage(L"español"));

  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Next");
  EXPECT_EQ(settings->languageName, L"English");
  EXPECT_EQ(settings->localeName, L"en_US");
}

TEST_F(LanguageManagerTest, DocumentWithoutLocaleRootKeepsTheOldTableButStillSwitches) {
  FakePage page("page", journal);
  LanguageManager manager = Make();
  manager.RegisterPage(&page);
  LoadIsv(manager, "<BUTTON_NEXT>Next</BUTTON_NEXT>");
  resources.locales[102] = "<Texts><BUTTON_NEXT>Siguiente</BUTTON_NEXT></Texts>";
  dialogs.shown.clear();
  journal.clear();

  EXPECT_TRUE(manager.SetLanguage(L"español"));
  EXPECT_EQ(Messages(), std::vector<std::wstring>{kParseFailure + L"No Locale element"});
  EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Next");
  EXPECT_EQ(journal, std::vector<std::string>{"page"});
  EXPECT_EQ(settings->localeName, L"es");
}

TEST_F(LanguageManagerTest, ElementWithoutTextStopsLoadingAndLeavesEarlierKeysUnresolved) {
  const char* const kBadElements[] = {
      "<EMPTY></EMPTY>",
      "<EMPTY/>",
      "<EMPTY><NESTED>x</NESTED></EMPTY>",
      "<EMPTY><!-- only a comment --></EMPTY>",
      "<EMPTY><![CDATA[]]></EMPTY>",
  };
  for (const char* bad : kBadElements) {
    SCOPED_TRACE(bad);
    dialogs.shown.clear();
    LanguageManager manager = Make();
    LoadIsv(manager, std::string("<A>{PRODUCT_TITLE} {B}</A><B>b</B>") + bad + "<C>c</C>");
    EXPECT_EQ(Messages(), std::vector<std::wstring>{kParseFailure + L"No name or text attribute"});
    EXPECT_EQ(manager.GetText("A"), L"{PRODUCT_TITLE} {B}");
    EXPECT_EQ(manager.GetText("B"), L"b");
    EXPECT_EQ(manager.GetText("PRODUCT_TITLE"), L"Pellio Classic");
    EXPECT_EQ(manager.GetText("EMPTY"), L"");
    EXPECT_EQ(manager.GetText("C"), L"");
    EXPECT_EQ(settings->languageName, L"English");
  }
}

TEST_F(LanguageManagerTest, TextsKeepEntitiesWhitespaceMarkupAndUnknownPlaceholders) {
  LanguageManager manager = Make();
  LoadIsv(manager,
          "<!-- heading -->"
          "<LINE>one&#13;&#10;two</LINE>"
          "<SPACES>  padded\ttext  </SPACES>"
          "<LINK>See &lt;a href=\"[PACKAGE_EULA_URL]\"&gt;the licence&lt;/a&gt; &amp; more</LINK>"
          "<COMMENTED><!-- note -->after a comment</COMMENTED>"
          "<STATUS>$percent$ done</STATUS>"
          "<TWICE>first</TWICE><TWICE>second</TWICE>"
          "<UNICODE>Pomiń wszystkie – ✓ \xF0\x9F\x98\x80</UNICODE>"
          "<BROKEN>bad \xC3( byte</BROKEN>");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(manager.GetText("LINE"), L"one\r\ntwo");
  EXPECT_EQ(manager.GetText("SPACES"), L"  padded\ttext  ");
  EXPECT_EQ(manager.GetText("LINK"),
            L"See <a href=\"[PACKAGE_EULA_URL]\">the licence</a> & more");
  EXPECT_EQ(manager.GetText("COMMENTED"), L"after a comment");
  EXPECT_EQ(manager.GetText("STATUS"), L"$percent$ done");
  EXPECT_EQ(manager.GetText("TWICE"), L"second");
  std::wstring expected = L"Pomiń wszystkie – ✓ ";
  if (sizeof(wchar_t) == 2) {
    expected += L"\xD83D\xDE00";
  } else {
    expected += static_cast<wchar_t>(0x1F600);
  }
  EXPECT_EQ(manager.GetText("UNICODE"), expected);
  EXPECT_EQ(manager.GetText("BROKEN"), L"bad \xFFFD( byte");
  EXPECT_EQ(manager.GetText("MISSING"), L"");
}

TEST_F(LanguageManagerTest, ProductTitleComesFromTheSettingsUnlessTheDocumentSetsIt) {
  settings->productTitle = L"Pellio Ünï ✓";
  LanguageManager manager = Make();
  LoadIsv(manager, "<TITLE>[{PRODUCT_TITLE}]</TITLE>");
  EXPECT_EQ(manager.GetText("PRODUCT_TITLE"), L"Pellio Ünï ✓");
  EXPECT_EQ(manager.Texts().at("PRODUCT_TITLE"), "Pellio \xC3\x9Cn\xC3\xAF \xE2\x9C\x93");
  EXPECT_EQ(manager.GetText("TITLE"), L"[Pellio Ünï ✓]");

  // A title changed later (by the configuration response) shows after the
  // language is set again.
  settings->productTitle = L"Other";
  ASSERT_TRUE(manager.SetLanguage(L"English"));
  EXPECT_EQ(manager.GetText("TITLE"), L"[Other]");

  LoadIsv(manager, "<PRODUCT_TITLE>Own</PRODUCT_TITLE><TITLE>{PRODUCT_TITLE}</TITLE>");
  EXPECT_EQ(manager.GetText("TITLE"), L"Own");
}

TEST_F(LanguageManagerTest, GetTextStopsAtTheFirstZeroAndIsEmptyForEmptyTexts) {
  settings->productTitle = std::wstring(L"Pel\0lio", 7);
  LanguageManager manager = Make();
  LoadIsv(manager, "<A>a</A>");
  EXPECT_EQ(manager.GetText("PRODUCT_TITLE"), L"Pel");
  settings->productTitle.clear();
  ASSERT_TRUE(manager.SetLanguage(L"English"));
  EXPECT_EQ(manager.GetText("PRODUCT_TITLE"), L"");
  EXPECT_EQ(manager.Texts().count("PRODUCT_TITLE"), 1u);
}

TEST_F(LanguageManagerTest, ReferencesResolve) {
  struct Case {
    const char* label;
    std::string body;
    std::vector<std::pair<std::string, std::wstring>> expected;
  };
  const Case cases[] = {
      {"simple", "<A>Click {BUTTON_NEXT}.</A><BUTTON_NEXT>Next</BUTTON_NEXT>",
       {{"A", L"Click Next."}}},
      {"several and repeated", "<A>{X}-{Y}-{X}</A><X>x</X><Y>y</Y>", {{"A", L"x-y-x"}}},
      {"chain to later keys", "<A>{B}!</A><B>{C}{C}</B><C>{D}</C><D>d</D>",
       {{"A", L"dd!"}, {"B", L"dd"}, {"C", L"d"}}},
      {"chain to earlier keys", "<Z>{Y}</Z><Y>{X}</Y><X>{PRODUCT_TITLE}</X>",
       {{"Z", L"Pellio Classic"}, {"Y", L"Pellio Classic"}}},
      {"unknown name stays", "<A>{NOT_A_KEY} and {B}</A><B>b</B>", {{"A", L"{NOT_A_KEY} and b"}}},
      {"no closing brace", "<A>{B} then {B</A><B>b</B>", {{"A", L"b then {B"}}},
      {"empty braces", "<A>{}{B}</A><B>b</B>", {{"A", L"{}b"}}},
      {"brace inside a name", "<A>{{B}</A><B>b</B>", {{"A", L"{{B}"}}},
      {"stray closing brace", "<A>} {B} }</A><B>b</B>", {{"A", L"} b }"}}},
      {"replacement completes a new reference", "<A>{L}B}</A><L>{</L><B>b</B>", {{"A", L"b"}}},
      {"square brackets stay", "<A>[PACKAGE_NAME] {B}</A><B>b</B>", {{"A", L"[PACKAGE_NAME] b"}}},
      {"case matters", "<A>{b}</A><B>b</B>", {{"A", L"{b}"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    LanguageManager manager = Make();
    LoadIsv(manager, c.body);
    EXPECT_TRUE(dialogs.shown.empty());
    for (const auto& [key, text] : c.expected) EXPECT_EQ(manager.GetText(key), text) << key;
  }
}

TEST_F(LanguageManagerTest, ReferenceCyclesEndInsteadOfHanging) {
  const char* const kCycles[] = {
      "<A>{A}</A>",
      "<A>x{A}</A>",
      "<A>{A}{A}</A>",
      "<A>{B}</A><B>{A}</B>",
      "<A>{B}{B}</A><B>{C}{C}</B><C>{A}{A}</C>",
  };
  for (const char* cycle : kCycles) {
    SCOPED_TRACE(cycle);
    LanguageManager manager = Make();
    LoadIsv(manager, std::string(cycle) + "<OK>fine {PRODUCT_TITLE}</OK>");
    EXPECT_EQ(manager.GetText("OK"), L"fine Pellio Classic");
    EXPECT_LE(manager.Texts().at("A").size(), std::size_t{1} << 20);
  }
}

TEST_F(LanguageManagerTest, BrandedFragmentIsAddedAndTheDocumentCanOverrideIt) {
  settings->brandedPages = true;
  resources.locales[120] =
      "<!-- branded -->\n<SPLASH_TITLE_ZQ>Welcome to {PRODUCT_TITLE}</SPLASH_TITLE_ZQ>\n"
      "<WARNING_TITLE>Before you install</WARNING_TITLE>\n"
      "<NO_TEXT/>\n<NESTED><X>x</X></NESTED>\n"
      "<OPTIONS_TITLE>Shortcuts, {BUTTON_NEXT}</OPTIONS_TITLE>\n";
  LanguageManager manager = Make();
  LoadIsv(manager, "<BUTTON_NEXT>Next</BUTTON_NEXT>",
          "<BUTTON_NEXT>Siguiente</BUTTON_NEXT><WARNING_TITLE>Antes de instalar</WARNING_TITLE>");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(manager.GetText("SPLASH_TITLE_ZQ"), L"Welcome to Pellio Classic");
  EXPECT_EQ(manager.GetText("WARNING_TITLE"), L"Before you install");
  EXPECT_EQ(manager.GetText("OPTIONS_TITLE"), L"Shortcuts, Next");
  EXPECT_EQ(manager.Texts().count("NO_TEXT"), 0u);
  EXPECT_EQ(manager.Texts().count("NESTED"), 0u);

  ASSERT_TRUE(manager.SetLanguage(L"español"));
  EXPECT_EQ(manager.GetText("WARNING_TITLE"), L"Antes de instalar");
  EXPECT_EQ(manager.GetText("OPTIONS_TITLE"), L"Shortcuts, Siguiente");

  // The plain wizard never reads the fragment.
  settings->brandedPages = false;
  resources.loaded.clear();
  ASSERT_TRUE(manager.SetLanguage(L"English"));
  EXPECT_EQ(resources.loaded, std::vector<int>{101});
  EXPECT_EQ(manager.GetText("SPLASH_TITLE_ZQ"), L"");
}

TEST_F(LanguageManagerTest, MissingOrBrokenBrandedFragmentIsReportedAndSkipped) {
  settings->brandedPages = true;
  struct Case {
    const char* label;
    bool present;
    std::string fragment;
    std::wstring message;
  };
  const Case cases[] = {
      {"missing", false, "", L"Failed to find resource with id: 120"},
      {"malformed", true, "<A>a</A><B>", kParseFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    resources.locales.erase(120);
    if (c.present) resources.locales[120] = c.fragment;
    dialogs.shown.clear();
    LanguageManager manager = Make();
    LoadIsv(manager, "<BUTTON_NEXT>Next</BUTTON_NEXT>");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.rfind(c.message, 0), 0u);
    EXPECT_EQ(manager.GetText("BUTTON_NEXT"), L"Next");
    EXPECT_EQ(manager.GetText("A"), L"");
  }
}

TEST_F(LanguageManagerTest, UnregisteringRemovesEveryOccurrenceOfThePage) {
  FakePage a("a", journal);
  FakePage b("b", journal);
  LanguageManager manager = Make();
  manager.RegisterPage(&a);
  manager.RegisterPage(&b);
  manager.RegisterPage(&a);
  manager.RegisterPage(nullptr);
  LoadIsv(manager, "<A>a</A>");
  EXPECT_EQ(journal, (std::vector<std::string>{"a", "b", "a"}));

  journal.clear();
  manager.UnregisterPage(&a);
  manager.UnregisterPage(&a);  // no longer there: nothing happens
  ASSERT_TRUE(manager.SetLanguage(L"English"));
  EXPECT_EQ(journal, std::vector<std::string>{"b"});
}

// A page whose text update destroys another page or creates a new one.
class ReshapingPage : public LocalizedPage {
 public:
  ReshapingPage(LanguageManager& manager, std::vector<std::string>& journal)
      : manager_(manager), journal_(journal) {}
  void UpdateTexts() override {
    journal_.push_back("reshaping");
    if (victim != nullptr) {
      manager_.UnregisterPage(victim->get());
      victim->reset();
    }
    if (newcomer != nullptr) manager_.RegisterPage(newcomer);
  }
  std::unique_ptr<FakePage>* victim = nullptr;
  LocalizedPage* newcomer = nullptr;

 private:
  LanguageManager& manager_;
  std::vector<std::string>& journal_;
};

TEST_F(LanguageManagerTest, PagesMayComeAndGoWhileTextsAreUpdated) {
  LanguageManager manager = Make();
  auto doomed = std::make_unique<FakePage>("doomed", journal);
  FakePage late("late", journal);
  ReshapingPage reshaping(manager, journal);
  reshaping.victim = &doomed;
  reshaping.newcomer = &late;
  manager.RegisterPage(&reshaping);
  manager.RegisterPage(doomed.get());
  LoadIsv(manager, "<A>a</A>");
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(journal, (std::vector<std::string>{"reshaping", "late"}));
}

}  // namespace
