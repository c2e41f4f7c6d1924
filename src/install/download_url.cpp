#include "install/download_url.h"

#include <cstddef>

namespace {

bool IsWordOrDotOrHyphen(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '-';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Everything from `start` on: host, optional port, optional tail. The host
// class holds none of ":/?#", so the host is exactly the longest run of host
// characters, and the port exactly the digits after its ":"; no choice is
// left for backtracking to revisit.
bool MatchesFrom(const std::string& text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && IsWordOrDotOrHyphen(text[end])) ++end;
  // "[\w.-]+(\.[\w.-]+)+": a dot that has a host character before and after it.
  bool dotted = false;
  for (std::size_t i = start + 1; i + 1 < end && !dotted; ++i) dotted = text[i] == '.';
  if (!dotted) return false;
  if (end < text.size() && text[end] == ':') {
    std::size_t digits = end + 1;
    while (digits < text.size() && IsDigit(text[digits])) ++digits;
    if (digits == end + 1) return false;
    end = digits;
  }
  if (end == text.size()) return true;
  const char first = text[end];
  if (first != '/' && first != '?' && first != '#') return false;
  // ECMAScript's "." takes anything but the line terminators.
  for (std::size_t i = end + 1; i < text.size(); ++i) {
    if (text[i] == '\n' || text[i] == '\r') return false;
  }
  return true;
}

}  // namespace

bool MatchesDownloadUrl(const std::string& text) {
  // Without a prefix the host would start with "http", which cannot be
  // followed by "://"; both readings are tried all the same, as the
  // expression's optional group would be.
  if (StartsWith(text, "https://") && MatchesFrom(text, 8)) return true;
  if (StartsWith(text, "http://") && MatchesFrom(text, 7)) return true;
  return MatchesFrom(text, 0);
}

namespace {

// "http://" or "https://" in any case, then something without control
// characters.
bool NamesWebScheme(const std::string& text) {
  std::string lower;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  for (const char* scheme : {"http://", "https://"}) {
    const std::string prefix = scheme;
    if (lower.size() > prefix.size() && lower.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

}  // namespace

bool IsValidDownloadUrl(platform::CodePages& codePages, const std::wstring& text) {
  std::string narrow;
  if (!codePages.FromWide(platform::kCpThreadAcp, text, narrow)) return false;
  // An address that names its scheme is a full URL whatever its host looks
  // like ("https://localhost/...", "HTTPS://..."): the file host put in
  // front of it could only give a wrong address.
  return MatchesDownloadUrl(narrow) || NamesWebScheme(narrow);
}
