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
