// Locale documents through the language manager: listing (PopulateLanguageCombo),
// loading (SetLanguage, LoadLocaleResource, LoadLocale) and reading (GetText).
//
// Input: [flags][document bytes]. Flags: bit 0 the branded wizard (the same
// bytes then also serve as the branded fragment, resource 120); bit 1 the
// DLM wizard (resource 105) instead of ISV (101); bit 2 an empty product
// title.
#include <tinyxml2.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/configuration_manager.h"
#include "fakes/fake_platform.h"
#include "locale/language_manager.h"
#include "locale/locale_fakes.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// What GetText hands to the window: Unicode scalar values only.
void CheckText(const std::wstring& text) {
  for (const wchar_t c : text) {
    const auto value = static_cast<std::uint32_t>(c);
    Check(value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF));
  }
}

struct Fixture {
  FakeFileSystem files;
  FakeSystemInfo system;
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs settingsDialogs;
  std::unique_ptr<ConfigurationManager> settings;

  Fixture() {
    ProductConstants constants;
    constants.wizardName = L"ISV";
    settings = std::make_unique<ConfigurationManager>(
        constants, ConfigurationPlatform{files, system, registry, clock, settingsDialogs});
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Fixture fixture;
  ConfigurationManager& settings = *fixture.settings;
  settings.brandedPages = (data[0] & 0x01) != 0;
  settings.wizardType = (data[0] & 0x02) ? kWizardDlm : kWizardIsv;
  settings.productTitle = (data[0] & 0x04) ? L"" : L"Pellio Classic";
  const int id = settings.wizardType == kWizardDlm ? 105 : 101;
  const std::string document(reinterpret_cast<const char*>(data + 1), size - 1);

  FakeModuleResources resources;
  resources.locales[id] = document;
  if (settings.brandedPages) resources.locales[120] = document;
  FakeLocaleInfo locales;
  FakeDialogs dialogs;
  LanguageManager manager(settings, {resources, locales, dialogs});

  FakeCombo combo;
  manager.PopulateLanguageCombo(combo);
  Check(combo.items.size() <= 1);
  for (const std::wstring& item : combo.items) {
    Check(manager.SetLanguage(item));
    Check(manager.CurrentLanguageName() == item);
  }

  tinyxml2::XMLDocument parsed;
  if (manager.LoadLocaleResource(id, parsed) && manager.LoadLocale(parsed)) {
    Check(manager.Texts().count("PRODUCT_TITLE") == 1);
  }
  for (const auto& entry : manager.Texts()) CheckText(manager.GetText(entry.first));
  CheckText(manager.GetText("BUTTON_NEXT"));
  return 0;
}
