// The texts of the wizard in the current language. The texts live in the
// program's own resources as small XML documents of type "LOCALE", one per
// language; the manager offers the languages of the wizard type in force,
// loads the chosen one into a key → text table and pushes the new texts to
// every registered page. One instance exists; the main dialog creates it and
// shares it with every page. User-interface thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "locale/language_combo.h"
#include "locale/localized_page.h"
#include "platform/dialogs.h"
#include "platform/locale_info.h"
#include "platform/module_resources.h"

class ConfigurationManager;

namespace tinyxml2 {
class XMLDocument;
}

struct LanguagePlatform {
  platform::ModuleResources& resources;
  platform::LocaleInfo& locales;
  platform::Dialogs& dialogs;
};

class LanguageManager {
 public:
  // Reads wizardType, brandedPages and productTitle of the settings and
  // writes languageName and localeName when a language is set. The settings
  // must outlive the manager.
  LanguageManager(ConfigurationManager& settings, LanguagePlatform platform);
  LanguageManager(const LanguageManager&) = delete;
  LanguageManager& operator=(const LanguageManager&) = delete;

  // Locale resource ids of the wizard type in force: DLM 105..118, ISV 101,
  // 102. Any other type shows a message and gives an empty list.
  std::vector<int> GetLocaleResourceIds();

  // Empties the combo box, appends the display name of every locale document
  // of the wizard type (documents that fail to load are skipped) and selects
  // the user's language (the last matching entry; the first entry when none
  // matches). Hides the combo box in the branded wizard. Does not set a
  // language: the page then calls SetLanguage with the selected item's text.
  void PopulateLanguageCombo(LanguageCombo& combo);

  // Loads the language listed under that display name by the last
  // PopulateLanguageCombo, calls UpdateTexts on every registered page and
  // records the choice in the settings (languageName, localeName). False,
  // with nothing changed, when the name is unknown or its document cannot be
  // loaded.
  bool SetLanguage(const std::wstring& displayName);

  // The text of a key in the current language; empty when the key is missing
  // or its text is empty (the caller then keeps its template caption).
  std::wstring GetText(const std::string& key) const;

  // Page registration: pages add themselves from their constructor and remove
  // every occurrence of themselves from their destructor. Pages are not owned.
  void RegisterPage(LocalizedPage* page);
  void UnregisterPage(LocalizedPage* page);

  // The display name and locale name of the last successful SetLanguage;
  // empty before the first one.
  const std::wstring& CurrentLanguageName() const { return currentLanguage_; }
  const std::wstring& CurrentLocaleName() const { return currentLocale_; }

  // The native language name of a locale name ("en_US" → "English"): the
  // full name, then its first two characters, then the name itself.
  std::wstring ToLanguageDisplayName(const std::wstring& localeName);

  // Finds, loads and parses one locale resource; shows a message and returns
  // false on any failure.
  bool LoadLocaleResource(int id, tinyxml2::XMLDocument& document);

  // Replaces the table with the texts of a parsed language document (plus
  // the product title and, in the branded wizard, resource 120) and resolves
  // references between keys. False on a malformed document: the table then
  // holds what was read before the fault, unresolved.
  bool LoadLocale(tinyxml2::XMLDocument& document);

  // The current table, key → UTF-8 text.
  const std::map<std::string, std::string>& Texts() const { return texts_; }

 private:
  void ShowParseFailure(const std::string& description);
  void ResolveReferences();

  ConfigurationManager& settings_;
  LanguagePlatform platform_;
  std::unordered_map<std::wstring, int> resourceIdByLanguage_;
  std::unordered_map<std::wstring, std::wstring> localeNameByLanguage_;
  std::vector<LocalizedPage*> pages_;
  std::map<std::string, std::string> texts_;
  std::wstring currentLanguage_;
  std::wstring currentLocale_;
};
