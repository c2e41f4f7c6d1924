#include "config/web_link.h"

namespace {

bool IsUrlCharacter(wchar_t c) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return true;
  for (const wchar_t* allowed = L"-._~:/?#[]@!$&'()*+,;=%"; *allowed; ++allowed) {
    if (c == *allowed) return true;
  }
  return false;
}

// `text` starts with `prefix`, ASCII case ignored (prefix in lower case).
bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  std::size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= text.size()) return false;
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsWebLink(const std::wstring& url) {
  std::size_t hostStart = 0;
  if (StartsWithNoCase(url, L"http://")) {
    hostStart = 7;
  } else if (StartsWithNoCase(url, L"https://")) {
    hostStart = 8;
  } else {
    return false;
  }
  for (const wchar_t c : url) {
    if (!IsUrlCharacter(c)) return false;
  }
  // The authority runs to the first "/", "?" or "#"; it must name a host
  // (not just user information or a port).
  const std::size_t hostEnd = url.find_first_of(L"/?#", hostStart);
  std::wstring authority = url.substr(hostStart, hostEnd == std::wstring::npos ? std::wstring::npos : hostEnd - hostStart);
  const std::size_t at = authority.rfind(L'@');
  if (at != std::wstring::npos) authority.erase(0, at + 1);
  return !authority.empty() && authority[0] != L':';
}
