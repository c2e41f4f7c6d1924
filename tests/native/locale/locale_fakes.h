// Stand-ins for the language manager's platform services and for the window
// objects it talks to. Each records what was asked of it.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "locale/language_combo.h"
#include "locale/localized_page.h"
#include "platform/locale_info.h"
#include "platform/module_resources.h"

// A raw deflate stream of `text`, as the build stores the locale documents.
inline std::string Deflated(const std::string& text) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

// Resources of type "LOCALE" by id. Tests write the documents as text
// (`locales`); the module hands them out deflated, as the build stores them.
// `stored` holds resources whose bytes are handed out exactly as written.
class FakeModuleResources : public platform::ModuleResources {
 public:
  std::map<int, std::string> locales;
  std::map<int, std::string> stored;
  std::set<int> unloadable;  // found, but LoadResource fails
  std::vector<int> loaded;   // ids whose bytes were handed out, in order
  std::vector<std::wstring> typesAsked;

  platform::ResourceHandle FindOwnResource(int id, const std::wstring& type) override {
    typesAsked.push_back(type);
    if (type != L"LOCALE" || (locales.count(id) == 0 && stored.count(id) == 0)) return 0;
    return static_cast<platform::ResourceHandle>(id);
  }
  bool LoadOwnResource(platform::ResourceHandle resource, const std::uint8_t*& data,
                       std::uint32_t& size) override {
    const int id = static_cast<int>(resource);
    if (unloadable.count(id) != 0) return false;
    const auto raw = stored.find(id);
    const std::string& bytes =
        raw != stored.end() ? raw->second : (handedOut_[id] = Deflated(locales.at(id)));
    loaded.push_back(id);
    data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    size = static_cast<std::uint32_t>(bytes.size());
    return true;
  }

 private:
  std::map<int, std::string> handedOut_;  // keeps the bytes alive, as a module does
};

// Native language names by locale name. Like Windows, it knows locale names
// written with "-" only.
class FakeLocaleInfo : public platform::LocaleInfo {
 public:
  bool userLocaleOk = true;
  std::wstring userLocale = L"en-US";
  std::map<std::wstring, std::wstring> nativeNames = {
      {L"en", L"English"},     {L"en-US", L"English"}, {L"es", L"español"},
      {L"es-ES", L"español"},  {L"pt", L"português"},  {L"pt-BR", L"português"},
      {L"pl", L"polski"},      {L"pl-PL", L"polski"},  {L"cs", L"čeština"},
      {L"da", L"dansk"},       {L"de", L"Deutsch"},    {L"de-DE", L"Deutsch"},
      {L"fi", L"suomi"},       {L"fr", L"français"},   {L"it", L"italiano"},
      {L"nl", L"Nederlands"},  {L"ru", L"русский"},    {L"tr", L"Türkçe"}};
  std::vector<std::wstring> asked;

  int UserDefaultLocaleName(int bufferChars, std::wstring& name) override {
    if (!userLocaleOk || static_cast<int>(userLocale.size()) >= bufferChars) return 0;
    name = userLocale;
    return static_cast<int>(userLocale.size()) + 1;
  }
  int QueryLocaleInfo(const std::wstring& localeName, std::uint32_t type, int bufferChars,
                      std::wstring& value) override {
    asked.push_back(localeName);
    const auto found = nativeNames.find(localeName);
    if (type != platform::kLocaleSNativeLanguageName || found == nativeNames.end() ||
        static_cast<int>(found->second.size()) >= bufferChars) {
      return 0;
    }
    value = found->second;
    return static_cast<int>(value.size()) + 1;
  }
};

class FakeCombo : public LanguageCombo {
 public:
  std::vector<std::wstring> items;
  int selected = -1;
  bool hidden = false;
  int clears = 0;

  void ClearItems() override {
    items.clear();
    selected = -1;
    ++clears;
  }
  int ItemCount() override { return static_cast<int>(items.size()); }
  void AppendItem(const std::wstring& displayName) override { items.push_back(displayName); }
  void SelectItem(int index) override { selected = index; }
  void HideCombo() override { hidden = true; }
};

// A page that logs its updates into a shared journal.
class FakePage : public LocalizedPage {
 public:
  FakePage(std::string name, std::vector<std::string>& journal)
      : name_(std::move(name)), journal_(journal) {}
  void UpdateTexts() override { journal_.push_back(name_); }

 private:
  std::string name_;
  std::vector<std::string>& journal_;
};
