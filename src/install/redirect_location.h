// Where a redirect leads. Servers may answer with a relative Location
// ("/file.exe", "file.exe", "//mirror/file.exe"); it is resolved against the
// URL that was asked for, as RFC 3986 section 5 says. Both download clients
// follow redirects through NextRedirectHop so that they apply the same rules.
#pragma once

#include <optional>
#include <string>

// `reference` resolved against the absolute URL `base` (RFC 3986, 5.2: dot
// segments removed, the reference's query and fragment kept). Empty when
// `base` has no scheme and host, or `reference` is empty or holds a space or
// a control character (nothing a server should send unencoded, and nothing
// that may reach a request line).
std::optional<std::wstring> ResolveUrlReference(const std::wstring& base,
                                                const std::wstring& reference);

// The URL's scheme in lower case ("https"), empty when it has none.
std::wstring UrlScheme(const std::wstring& url);

// One step of a redirect chain. `url` is what to request next; when
// `failure` is not empty the chain ends there with that text.
struct RedirectHop {
  std::wstring url;
  std::wstring failure;
};

// The redirect from `current` to `location`. `httpsReached` tells whether the
// chain has been on HTTPS so far (the URL first asked for included): once it
// has, a plain-HTTP target is refused, so nothing fetched over TLS is ever
// continued in clear text. A target that is not http or https, or a location
// that cannot be resolved, is refused too.
RedirectHop NextRedirectHop(const std::wstring& current, const std::wstring& location,
                            bool httpsReached);
