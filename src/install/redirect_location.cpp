#include "install/redirect_location.h"

#include <algorithm>

namespace {

// The five parts of a URI reference (RFC 3986, 4.1). An absent part and an
// empty one differ ("?" is an empty query), hence the flags.
struct Reference {
  bool hasScheme = false, hasAuthority = false, hasQuery = false, hasFragment = false;
  std::wstring scheme, authority, path, query, fragment;
};

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

Reference Split(const std::wstring& text) {
  Reference r;
  std::size_t at = 0;
  // A scheme is a letter, then letters, digits, "+", "-", ".", then ":",
  // all before any "/", "?" or "#".
  const std::size_t colon = text.find(L':');
  if (colon != std::wstring::npos && colon > 0 && IsAlpha(text[0]) &&
      text.find_first_of(L"/?#") > colon) {
    bool valid = true;
    for (std::size_t i = 1; i < colon; ++i) {
      const wchar_t c = text[i];
      valid = valid && (IsAlpha(c) || IsDigit(c) || c == L'+' || c == L'-' || c == L'.');
    }
    if (valid) {
      r.hasScheme = true;
      r.scheme = text.substr(0, colon);
      at = colon + 1;
    }
  }
  if (text.compare(at, 2, L"//") == 0) {
    const std::size_t end = text.find_first_of(L"/?#", at + 2);
    r.hasAuthority = true;
    r.authority = text.substr(at + 2, end == std::wstring::npos ? std::wstring::npos : end - at - 2);
    at = end == std::wstring::npos ? text.size() : end;
  }
  const std::size_t pathEnd = std::min(text.find_first_of(L"?#", at), text.size());
  r.path = text.substr(at, pathEnd - at);
  at = pathEnd;
  if (at < text.size() && text[at] == L'?') {
    const std::size_t end = std::min(text.find(L'#', at), text.size());
    r.hasQuery = true;
    r.query = text.substr(at + 1, end - at - 1);
    at = end;
  }
  if (at < text.size()) {
    r.hasFragment = true;
    r.fragment = text.substr(at + 1);
  }
  return r;
}

// Drops the last segment of `output` and the "/" before it.
void DropLastSegment(std::wstring& output) {
  const std::size_t slash = output.rfind(L'/');
  output.erase(slash == std::wstring::npos ? 0 : slash);
}

// RFC 3986, 5.2.4.
std::wstring RemoveDotSegments(std::wstring input) {
  std::wstring output;
  while (!input.empty()) {
    if (input.compare(0, 3, L"../") == 0) {
      input.erase(0, 3);
    } else if (input.compare(0, 2, L"./") == 0) {
      input.erase(0, 2);
    } else if (input.compare(0, 3, L"/./") == 0) {
      input.erase(0, 2);
    } else if (input == L"/.") {
      input = L"/";
    } else if (input.compare(0, 4, L"/../") == 0) {
      input.erase(0, 3);
      DropLastSegment(output);
    } else if (input == L"/..") {
      input = L"/";
      DropLastSegment(output);
    } else if (input == L"." || input == L"..") {
      input.clear();
    } else {
      const std::size_t next = input.find(L'/', 1);
      output += input.substr(0, next);
      input.erase(0, next == std::wstring::npos ? input.size() : next);
    }
  }
  return output;
}

// RFC 3986, 5.2.3.
std::wstring Merge(const Reference& base, const std::wstring& path) {
  if (base.hasAuthority && base.path.empty()) return L"/" + path;
  const std::size_t slash = base.path.rfind(L'/');
  return (slash == std::wstring::npos ? std::wstring() : base.path.substr(0, slash + 1)) + path;
}

std::wstring Compose(const Reference& r) {
  std::wstring url = r.scheme + L":";
  if (r.hasAuthority) url += L"//" + r.authority;
  url += r.path;
  if (r.hasQuery) url += L"?" + r.query;
  if (r.hasFragment) url += L"#" + r.fragment;
  return url;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

}  // namespace

std::optional<std::wstring> ResolveUrlReference(const std::wstring& base,
                                                const std::wstring& reference) {
  if (reference.empty()) return std::nullopt;
  for (const wchar_t c : reference) {
    if (c <= 0x20 || c == 0x7F) return std::nullopt;
  }
  const Reference b = Split(base);
  if (!b.hasScheme || !b.hasAuthority) return std::nullopt;
  const Reference r = Split(reference);

  Reference t;
  if (r.hasScheme) {
    t = r;
    t.path = RemoveDotSegments(r.path);
  } else {
    t.hasScheme = true;
    t.scheme = b.scheme;
    if (r.hasAuthority) {
      t.hasAuthority = true;
      t.authority = r.authority;
      t.path = RemoveDotSegments(r.path);
      t.hasQuery = r.hasQuery;
      t.query = r.query;
    } else {
      t.hasAuthority = b.hasAuthority;
      t.authority = b.authority;
      if (r.path.empty()) {
        t.path = b.path;
        t.hasQuery = r.hasQuery || b.hasQuery;
        t.query = r.hasQuery ? r.query : b.query;
      } else {
        t.path = RemoveDotSegments(r.path[0] == L'/' ? r.path : Merge(b, r.path));
        t.hasQuery = r.hasQuery;
        t.query = r.query;
      }
    }
    t.hasFragment = r.hasFragment;
    t.fragment = r.fragment;
  }
  return Compose(t);
}

std::wstring UrlScheme(const std::wstring& url) {
  const Reference r = Split(url);
  return r.hasScheme ? Lower(r.scheme) : std::wstring();
}

RedirectHop NextRedirectHop(const std::wstring& current, const std::wstring& location,
                            bool httpsReached) {
  const std::optional<std::wstring> next = ResolveUrlReference(current, location);
  if (!next) return {L"", L"Invalid redirect location: " + location};
  const std::wstring scheme = UrlScheme(*next);
  if (scheme != L"http" && scheme != L"https") {
    return {L"", L"Invalid redirect location: " + location};
  }
  if (httpsReached && scheme == L"http") {
    return {L"", L"Redirect from HTTPS to plain HTTP refused: " + *next};
  }
  return {*next, L""};
}
