// The rule for addresses the elevated installer hands to the shell: web
// pages only.
#include "config/web_link.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LinkCase {
  const wchar_t* url;
  bool opens;
};

TEST(WebLink, OnlyHttpAndHttpsAddressesWithAHostOpen) {
  const LinkCase cases[] = {
      {L"https://www.pellio.example/privacy", true},
      {L"http://www.pellio.example/terms?lang=en#top", true},
      {L"HTTPS://WWW.PELLIO.EXAMPLE", true},
      {L"hTtP://localhost:8080/x", true},
      {L"https://user@host.example/", true},
      {L"https://host.example/a%20b%22c", true},
      {L"https://[::1]:443/", true},
      {L"https://host.example/(a);b=c,d!e*f+g$h'i~j", true},
      // not a web address
      {L"", false},
      {L"https://", false},
      {L"https:///etc/passwd", false},
      {L"https://?q", false},
      {L"https://#x", false},
      {L"https://user@/path", false},
      {L"https://:443/", false},
      {L"http:host.example", false},
      {L"http:/host.example", false},
      {L"http:\\\\host\\share\\setup.exe", false},
      {L"file:///C:/Windows/System32/calc.exe", false},
      {L"C:\\Windows\\System32\\calc.exe", false},
      {L"\\\\server\\share\\setup.exe", false},
      {L"calc.exe", false},
      {L"www.pellio.example", false},
      {L"ftp://host.example/x", false},
      {L"javascript:alert(1)", false},
      {L"mailto:a@b.example", false},
      {L"ms-settings:", false},
      {L"httpx://host.example", false},
      {L" https://host.example", false},
      // characters that could end the browser's quoted argument or the markup
      {L"https://host.example/\" --some-switch \"", false},
      {L"https://host.example/a b", false},
      {L"https://host.example/a\tb", false},
      {L"https://host.example/\r\nx", false},
      {L"https://host.example/<x>", false},
      {L"https://host.example\\..\\x", false},
      {L"https://host.example/a^b", false},
      {L"https://host.example/{a}|`", false},
      {L"https://h\u00f6st.example/", false},
  };
  for (const LinkCase& c : cases) {
    const std::wstring url = c.url;
    EXPECT_EQ(IsWebLink(url), c.opens) << std::string(url.begin(), url.end());
  }
  // An embedded NUL inside the string (not the end of a C string).
  EXPECT_FALSE(IsWebLink(std::wstring(L"https://host.example/a\0b", 24)));
}

}  // namespace
