// Resolving a Location against the URL that was asked for, and the rules of
// a redirect hop, as both download clients apply them.
#include "install/redirect_location.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct ResolveCase {
  const wchar_t* reference;
  const wchar_t* expected;
};

TEST(ResolveUrlReferenceTest, TheReferenceResolutionExamplesOfRfc3986) {
  // RFC 3986, 5.4.1 and 5.4.2, against its base URI.
  const std::wstring base = L"http://a/b/c/d;p?q";
  const ResolveCase cases[] = {
      {L"g:h", L"g:h"},
      {L"g", L"http://a/b/c/g"},
      {L"./g", L"http://a/b/c/g"},
      {L"g/", L"http://a/b/c/g/"},
      {L"/g", L"http://a/g"},
      {L"//g", L"http://g"},
      {L"?y", L"http://a/b/c/d;p?y"},
      {L"g?y", L"http://a/b/c/g?y"},
      {L"#s", L"http://a/b/c/d;p?q#s"},
      {L"g#s", L"http://a/b/c/g#s"},
      {L"g?y#s", L"http://a/b/c/g?y#s"},
      {L";x", L"http://a/b/c/;x"},
      {L"g;x", L"http://a/b/c/g;x"},
      {L"g;x?y#s", L"http://a/b/c/g;x?y#s"},
      {L".", L"http://a/b/c/"},
      {L"./", L"http://a/b/c/"},
      {L"..", L"http://a/b/"},
      {L"../", L"http://a/b/"},
      {L"../g", L"http://a/b/g"},
      {L"../..", L"http://a/"},
      {L"../../", L"http://a/"},
      {L"../../g", L"http://a/g"},
      {L"../../../g", L"http://a/g"},
      {L"../../../../g", L"http://a/g"},
      {L"/./g", L"http://a/g"},
      {L"/../g", L"http://a/g"},
      {L"g.", L"http://a/b/c/g."},
      {L".g", L"http://a/b/c/.g"},
      {L"g..", L"http://a/b/c/g.."},
      {L"..g", L"http://a/b/c/..g"},
      {L"./../g", L"http://a/b/g"},
      {L"./g/.", L"http://a/b/c/g/"},
      {L"g/./h", L"http://a/b/c/g/h"},
      {L"g/../h", L"http://a/b/c/h"},
      {L"g;x=1/./y", L"http://a/b/c/g;x=1/y"},
      {L"g;x=1/../y", L"http://a/b/c/y"},
      {L"g?y/./x", L"http://a/b/c/g?y/./x"},
      {L"g#s/../x", L"http://a/b/c/g#s/../x"},
  };
  for (const ResolveCase& c : cases) {
    const std::optional<std::wstring> resolved = ResolveUrlReference(base, c.reference);
    ASSERT_TRUE(resolved) << std::string(c.reference, c.reference + wcslen(c.reference));
    EXPECT_EQ(*resolved, c.expected) << std::string(c.reference, c.reference + wcslen(c.reference));
  }
}

TEST(ResolveUrlReferenceTest, LocationsServersSend) {
  const std::wstring base = L"https://files.test:8443/f/dir/setup.exe?x=1";
  const ResolveCase cases[] = {
      {L"/file.exe", L"https://files.test:8443/file.exe"},
      {L"next.exe", L"https://files.test:8443/f/dir/next.exe"},
      {L"../up.exe?y=2", L"https://files.test:8443/f/up.exe?y=2"},
      {L"//mirror.test/m/a.exe", L"https://mirror.test/m/a.exe"},
      {L"//mirror.test:81", L"https://mirror.test:81"},
      {L"http://other.test/a.exe", L"http://other.test/a.exe"},
      {L"HTTPS://Other.test/./a/../b.exe", L"HTTPS://Other.test/b.exe"},
      {L"?page=2", L"https://files.test:8443/f/dir/setup.exe?page=2"},
      {L"#top", L"https://files.test:8443/f/dir/setup.exe?x=1#top"},
      {L"/a%20b/c.exe", L"https://files.test:8443/a%20b/c.exe"},
      {L"ftp://files.test/a", L"ftp://files.test/a"},
  };
  for (const ResolveCase& c : cases) {
    EXPECT_EQ(ResolveUrlReference(base, c.reference).value_or(L"(none)"), c.expected);
  }
  // A base without a path.
  EXPECT_EQ(ResolveUrlReference(L"https://h.test", L"a.exe").value_or(L""), L"https://h.test/a.exe");
  EXPECT_EQ(ResolveUrlReference(L"https://h.test?q", L"").value_or(L"(none)"), L"(none)");
}

TEST(ResolveUrlReferenceTest, UnusableInputGivesNothing) {
  const std::wstring base = L"https://files.test/f/a.exe";
  for (const std::wstring& reference :
       {std::wstring(), std::wstring(L"/a b.exe"), std::wstring(L"/a.exe\r\nX-Injected: 1"),
        std::wstring(L"\t/a.exe"), std::wstring(L"/a\x7F.exe"), std::wstring(L"/a\0b", 4)}) {
    EXPECT_FALSE(ResolveUrlReference(base, reference));
  }
  // The base must be absolute, with a host part.
  EXPECT_FALSE(ResolveUrlReference(L"/f/a.exe", L"b.exe"));
  EXPECT_FALSE(ResolveUrlReference(L"mailto:x@y", L"b.exe"));
}

TEST(UrlSchemeTest, LowerCaseSchemeOrNothing) {
  EXPECT_EQ(UrlScheme(L"HTTPS://a/b"), L"https");
  EXPECT_EQ(UrlScheme(L"http://a"), L"http");
  EXPECT_EQ(UrlScheme(L"/a:b"), L"");
  EXPECT_EQ(UrlScheme(L"a/b:c"), L"");
  EXPECT_EQ(UrlScheme(L"1http://a"), L"");
  EXPECT_EQ(UrlScheme(L""), L"");
}

TEST(NextRedirectHopTest, HttpsIsNeverContinuedOnPlainHttp) {
  struct Case {
    const char* name;
    const wchar_t* current;
    const wchar_t* location;
    bool httpsReached;
    const wchar_t* url;      // followed
    const wchar_t* failure;  // or refused
  };
  const Case cases[] = {
      {"https to https", L"https://a.test/x", L"https://b.test/y", true, L"https://b.test/y", L""},
      {"http to https", L"http://a.test/x", L"https://b.test/y", false, L"https://b.test/y", L""},
      {"http to http", L"http://a.test/x", L"/y", false, L"http://a.test/y", L""},
      {"https to http", L"https://a.test/x", L"http://a.test/y", true, L"",
       L"Redirect from HTTPS to plain HTTP refused: http://a.test/y"},
      {"upper-case scheme", L"https://a.test/x", L"HTTP://a.test:8080/y", true, L"",
       L"Redirect from HTTPS to plain HTTP refused: HTTP://a.test:8080/y"},
      {"back to http after https", L"http://a.test/x", L"http://a.test/y", true, L"",
       L"Redirect from HTTPS to plain HTTP refused: http://a.test/y"},
      {"scheme-relative keeps https", L"https://a.test/x", L"//b.test/y", true,
       L"https://b.test/y", L""},
      {"other scheme", L"https://a.test/x", L"ftp://a.test/y", true, L"",
       L"Invalid redirect location: ftp://a.test/y"},
      {"file scheme", L"http://a.test/x", L"file:///C:/Windows/x.exe", false, L"",
       L"Invalid redirect location: file:///C:/Windows/x.exe"},
      {"empty", L"https://a.test/x", L"", true, L"", L"Invalid redirect location: "},
      {"space", L"https://a.test/x", L"/a b", true, L"", L"Invalid redirect location: /a b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RedirectHop hop = NextRedirectHop(c.current, c.location, c.httpsReached);
    EXPECT_EQ(hop.url, c.url);
    EXPECT_EQ(hop.failure, c.failure);
  }
}

}  // namespace
