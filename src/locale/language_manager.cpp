#include "locale/language_manager.h"

#include <tinyxml2.h>

#include <algorithm>
#include <string_view>

#include "config/configuration_manager.h"
#include "config/decimal_text.h"
#include "locale/deflated_document.h"

namespace {

constexpr const wchar_t* kLocaleResourceType = L"LOCALE";
constexpr int kBrandedFragmentId = 120;
constexpr const char* kParseFailure = "Failed to parse language xml file, error code: ";

// A reference cycle would otherwise resolve forever (or double the text each
// round); past these bounds the entry keeps the rest of its text as written.
constexpr std::size_t kMaxReferencesPerEntry = 10000;
constexpr std::size_t kMaxResolvedBytes = 1 << 20;

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t cp) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}

// UTF-8 → UTF-16 as MultiByteToWideChar(CP_UTF8, 0) does it: every invalid
// or truncated sequence becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, cp = lead & 0x07, minimum = 0x10000;
    }
    std::size_t consumed = 1;
    bool valid = length != 0;
    while (valid && consumed < length) {
      if (i + consumed >= text.size()) {
        valid = false;
        break;
      }
      const auto next = static_cast<unsigned char>(text[i + consumed]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (next & 0x3F);
      ++consumed;
    }
    if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
      valid = false;
    }
    AppendCodePoint(out, valid ? cp : kReplacementCharacter);
    i += consumed;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-16 → UTF-8 as WideCharToMultiByte(CP_UTF8, 0) does it: an unpaired
// surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() &&
        static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      cp = kReplacementCharacter;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

// The text of an element is its first child that is not a comment, and only
// when that child is non-empty text.
const char* ElementText(const tinyxml2::XMLElement& element) {
  for (const tinyxml2::XMLNode* child = element.FirstChild(); child != nullptr;
       child = child->NextSibling()) {
    if (child->ToComment() != nullptr) continue;
    const tinyxml2::XMLText* text = child->ToText();
    if (text == nullptr || text->Value() == nullptr || *text->Value() == '\0') return nullptr;
    return text->Value();
  }
  return nullptr;
}

}  // namespace

LanguageManager::LanguageManager(ConfigurationManager& settings, LanguagePlatform platform)
    : settings_(settings), platform_(platform) {}

std::vector<int> LanguageManager::GetLocaleResourceIds() {
  switch (settings_.wizardType) {
    case kWizardDlm:
      return {105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118};
    case kWizardIsv:
      return {101, 102};
    default:
      platform_.dialogs.ShowMessage(L"Unknown wizard type (language manager", L"",
                                    platform::kMbOk);
      return {};
  }
}

std::wstring LanguageManager::ToLanguageDisplayName(const std::wstring& localeName) {
  std::wstring name;
  if (platform_.locales.QueryLocaleInfo(localeName, platform::kLocaleSNativeLanguageName,
                                        platform::kLocaleNameMaxLength, name) != 0) {
    return name;
  }
  // Region-specific names such as "en_US" are not locale names Windows knows;
  // the language part alone is.
  if (localeName.size() > 2 &&
      platform_.locales.QueryLocaleInfo(localeName.substr(0, 2),
                                        platform::kLocaleSNativeLanguageName,
                                        platform::kLocaleNameMaxLength, name) != 0) {
    return name;
  }
  return localeName;
}

void LanguageManager::PopulateLanguageCombo(LanguageCombo& combo) {
  const std::vector<int> ids = GetLocaleResourceIds();
  resourceIdByLanguage_.clear();
  localeNameByLanguage_.clear();
  combo.ClearItems();

  std::wstring preferred;
  std::wstring userLocale;
  if (platform_.locales.UserDefaultLocaleName(platform::kLocaleNameMaxLength, userLocale) != 0 &&
      !userLocale.empty()) {
    preferred = ToLanguageDisplayName(userLocale);
  }
  if (preferred.empty()) preferred = L"English";

  int selected = 0;
  for (int id : ids) {
    tinyxml2::XMLDocument document;
    if (!LoadLocaleResource(id, document)) continue;
    const tinyxml2::XMLElement* root = document.FirstChildElement("Locale");
    if (root == nullptr) continue;
    const char* name = root->Attribute("name");
    if (name == nullptr) {
      ShowParseFailure("No name attribute");
      continue;
    }
    const std::wstring localeName = Utf8ToWide(name);
    const std::wstring displayName = ToLanguageDisplayName(localeName);
    if (displayName == preferred) selected = combo.ItemCount();
    combo.AppendItem(displayName);
    resourceIdByLanguage_[displayName] = id;
    localeNameByLanguage_[displayName] = localeName;
  }
  combo.SelectItem(selected);
  if (settings_.brandedPages) combo.HideCombo();
}

bool LanguageManager::SetLanguage(const std::wstring& displayName) {
  const auto id = resourceIdByLanguage_.find(displayName);
  if (id == resourceIdByLanguage_.end()) return false;
  tinyxml2::XMLDocument document;
  if (!LoadLocaleResource(id->second, document)) return false;
  // A malformed document keeps what was read before the fault; the pages
  // show their template captions for the rest.
  LoadLocale(document);

  // By index: a page may come or go while another re-reads its texts.
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->UpdateTexts();

  const std::wstring localeName = localeNameByLanguage_[displayName];
  settings_.languageName = displayName;
  settings_.localeName = localeName;
  currentLanguage_ = displayName;
  currentLocale_ = localeName;
  return true;
}

bool LanguageManager::LoadLocaleResource(int id, tinyxml2::XMLDocument& document) {
  const platform::ResourceHandle resource =
      platform_.resources.FindOwnResource(id, kLocaleResourceType);
  if (resource == 0) {
    platform_.dialogs.ShowMessage(L"Failed to find resource with id: " + ToDecimal(id), L"",
                                  platform::kMbOk);
    return false;
  }
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
  // The document is stored deflated; inflating it also gives tinyxml2 the
  // terminated copy it needs (resource bytes carry no terminator).
  std::string copy;
  if (!platform_.resources.LoadOwnResource(resource, data, size) || (data == nullptr && size != 0) ||
      !InflateLocaleDocument(data, size, copy)) {
    platform_.dialogs.ShowMessage(L"Failed to load resource with id: " + ToDecimal(id), L"",
                                  platform::kMbOk);
    return false;
  }
  if (document.Parse(copy.c_str(), copy.size()) != tinyxml2::XML_SUCCESS) {
    ShowParseFailure(document.ErrorStr() != nullptr ? document.ErrorStr() : "");
    return false;
  }
  return true;
}

bool LanguageManager::LoadLocale(tinyxml2::XMLDocument& document) {
  const tinyxml2::XMLElement* root = document.FirstChildElement("Locale");
  if (root == nullptr) {
    ShowParseFailure("No Locale element");
    return false;
  }
  texts_.clear();
  texts_["PRODUCT_TITLE"] = WideToUtf8(settings_.productTitle);

  if (settings_.brandedPages) {
    tinyxml2::XMLDocument fragment;
    if (LoadLocaleResource(kBrandedFragmentId, fragment)) {
      for (const tinyxml2::XMLElement* element = fragment.FirstChildElement(); element != nullptr;
           element = element->NextSiblingElement()) {
        // The shipped fragment has text everywhere; an element without one
        // is left out so the language document's own text, if any, stands.
        const char* text = ElementText(*element);
        if (element->Name() == nullptr || text == nullptr) continue;
        texts_[element->Name()] = text;
      }
    }
  }

  for (const tinyxml2::XMLElement* element = root->FirstChildElement(); element != nullptr;
       element = element->NextSiblingElement()) {
    const char* name = element->Name();
    const char* text = ElementText(*element);
    if (name == nullptr || *name == '\0' || text == nullptr) {
      ShowParseFailure("No name or text attribute");
      return false;
    }
    texts_[name] = text;
  }

  ResolveReferences();
  return true;
}

void LanguageManager::ResolveReferences() {
  for (auto& [key, text] : texts_) {
    std::size_t position = 0;
    std::size_t replacements = 0;
    while (true) {
      const std::size_t open = text.find('{', position);
      if (open == std::string::npos) break;
      const std::size_t close = text.find('}', open + 1);
      if (close == std::string::npos) break;
      const auto target = texts_.find(text.substr(open + 1, close - open - 1));
      if (target == texts_.end()) {
        position = close + 1;
        continue;
      }
      const std::string replacement = target->second;  // may be this very entry
      const std::size_t referenceLength = close - open + 1;
      if (++replacements > kMaxReferencesPerEntry ||
          text.size() - referenceLength + replacement.size() > kMaxResolvedBytes) {
        break;
      }
      text.replace(open, referenceLength, replacement);
      // Stay at the same position: the replacement may hold references too.
      position = open;
    }
  }
}

std::wstring LanguageManager::GetText(const std::string& key) const {
  const auto entry = texts_.find(key);
  if (entry == texts_.end() || entry->second.empty()) return {};
  const std::string& text = entry->second;
  return Utf8ToWide(std::string_view(text.c_str(), std::char_traits<char>::length(text.c_str())));
}

void LanguageManager::RegisterPage(LocalizedPage* page) {
  if (page != nullptr) pages_.push_back(page);
}

void LanguageManager::UnregisterPage(LocalizedPage* page) {
  pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
}

void LanguageManager::ShowParseFailure(const std::string& description) {
  platform_.dialogs.ShowMessage(Utf8ToWide(kParseFailure + description), L"", platform::kMbOk);
}
