#include "install/target_path.h"

namespace {

constexpr std::size_t kMaxPath = 260;

bool RefusedInFileName(wchar_t c) {
  if (c < 0x20) return true;
  switch (c) {
    case L'<': case L'>': case L':': case L'"': case L'/': case L'\\': case L'|': case L'?':
    case L'*':
      return true;
    default:
      return false;
  }
}

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool SameLetters(const std::wstring& text, const wchar_t* upper) {
  std::size_t i = 0;
  for (; upper[i] != L'\0'; ++i) {
    if (i >= text.size() || AsciiUpper(text[i]) != upper[i]) return false;
  }
  return i == text.size();
}

// Windows opens a device for these names whatever extension follows and
// whatever the case: "nul.txt" or "COM1.tar.gz" never reach a file. The
// superscript digits count for COM and LPT too.
bool IsDeviceName(const std::wstring& name) {
  std::wstring base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (SameLetters(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const wchar_t digit = base[3];
  const bool portDigit = (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' ||
                         digit == L'\u00B2' || digit == L'\u00B3';
  return portDigit && (SameLetters(base.substr(0, 3), L"COM") || SameLetters(base.substr(0, 3), L"LPT"));
}

}  // namespace

std::wstring FileNameFromUrl(const std::wstring& url) {
  const std::size_t slash = url.rfind(L'/');
  return slash == std::wstring::npos ? std::wstring() : url.substr(slash + 1);
}

std::wstring SafeFileName(const std::wstring& name) {
  if (name.find_first_not_of(L'.') == std::wstring::npos) return {};
  std::wstring safe = name;
  for (wchar_t& c : safe) {
    if (RefusedInFileName(c)) c = L'_';
  }
  // Windows drops trailing dots and blanks, so "setup.exe." would be saved
  // under another name than the one asked for.
  for (auto c = safe.rbegin(); c != safe.rend() && (*c == L'.' || *c == L' '); ++c) *c = L'_';
  if (IsDeviceName(safe)) safe.insert(0, 1, L'_');
  return safe;
}

bool AppendFileName(const std::wstring& folder, const std::wstring& name, std::wstring& path) {
  std::wstring result = folder;
  if (!name.empty()) {
    if (!result.empty() && result.back() != L'\\') result += L'\\';
    result += name;
  }
  if (result.size() >= kMaxPath) return false;
  path = result;
  return true;
}
