// Which download locations are full URLs. The executable carries a small
// matcher instead of <regex>; these tests hold it to std::regex running the
// expression itself, on tables, random texts and adversarial ones.
#include "install/download_url.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "fakes/fake_code_pages.h"

namespace {

// The expression the configuration's locations were written against, and
// the same with an optional port after the host.
const char kOriginalPattern[] = R"(^((http|https):\/\/)?([\w.-]+)(\.[\w.-]+)+([\/?#].*)?$)";
const char kPattern[] = R"(^((http|https):\/\/)?([\w.-]+)(\.[\w.-]+)+(:\d+)?([\/?#].*)?$)";

bool RegexMatches(const char* pattern, const std::string& text) {
  const std::regex expression(pattern, std::regex::ECMAScript);
  return std::regex_match(text, expression);
}

std::string Show(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F) {
      shown += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      shown += hex;
    }
  }
  return shown;
}

TEST(IsValidDownloadUrl, TellsFullUrlsFromObjectPaths) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"https://cdn.vellam.example/Varnex/Pellio_.exe", true},
      {L"http://cdn.vellam.example/Varnex/Pellio_.exe", true},
      {L"cdn.vellam.example/Varnex/Pellio_.exe", true},
      {L"https://cdn.vellam.example:8443/setup.exe", true},
      {L"http://localhost.localdomain:8080/f/a.exe?x=1", true},
      {L"cdn.vellam.example:443", true},
      {L"setup.exe", true},  // a bare file name is no object path
      {L"https://cdn.vellam.example?x=1#frag", true},
      {L"Varnex/PellioClassic/2025-01-29/Pellio_.exe", false},
      {L"", false},
      {L"https://localhost/f/a.exe", true},  // a named scheme: never prefixed
      {L"ftp://cdn.vellam.example/a.exe", false},
      {L"HTTPS://cdn.vellam.example/a.exe", true},
      {L"https://cdn.vellam.example:/a.exe", true},
      {L"https://cdn.vellam.example:84a/a.exe", true},
      {L"https://user@cdn.vellam.example/a.exe", true},
      {L"https://cdn.vellam.example/a\nb.exe", false},
      {L"https://cdn.vellam.example/a\rb.exe", false},
      {L"https://cdn.vellam.example/caf\u00e9.exe", true},
      {L"https://caf\u00e9.example/a.exe", true},
      {L"https://", false},
      {L"localhost/f/a.exe", false},
      {L".x", false},
      {L"a.", false},
      {L"a.b", true},
      {L"..b", true},
      {L"a..", true},
  };
  FakeCodePages codePages;
  for (const auto& [text, valid] : cases) {
    EXPECT_EQ(IsValidDownloadUrl(codePages, text), valid) << std::string(text.begin(), text.end());
  }
  ASSERT_FALSE(codePages.fromWideCodePages.empty());
  for (const auto codePage : codePages.fromWideCodePages) EXPECT_EQ(codePage, platform::kCpThreadAcp);
}

TEST(IsValidDownloadUrl, ATextThatCannotBeConvertedIsNoUrl) {
  FakeCodePages codePages;
  codePages.fails = true;
  EXPECT_FALSE(IsValidDownloadUrl(codePages, L"https://cdn.vellam.example/a.exe"));
}

// The original expression reads a full URL with a port as an object path,
// so the pages would put the file host in front of it.
TEST(MatchesDownloadUrl, AcceptsThePortTheOriginalExpressionRefused) {
  for (const char* text : {"https://cdn.vellam.example:8443/setup.exe", "cdn.vellam.example:8080",
                           "http://a.b:1?q"}) {
    EXPECT_FALSE(RegexMatches(kOriginalPattern, text)) << text;
    EXPECT_TRUE(RegexMatches(kPattern, text)) << text;
    EXPECT_TRUE(MatchesDownloadUrl(text)) << text;
  }
}

TEST(MatchesDownloadUrl, AgreesWithTheExpressionOnHandPickedTexts) {
  const std::string cases[] = {
      "", "a", "a.b", ".", "..", "...", "a.", ".a", "a..b", "-.-", "_._", "a.b/", "a.b?", "a.b#",
      "a.b/\n", "a.b\n", "a.b/x\r", "a.b/\x00x", "http://", "https://", "http://a.b", "https://a.b",
      "http:/a.b", "http//a.b", "https//a.b", "httpss://a.b", "http://.b", "http://a.", "http://http://a.b",
      "http.x", "https.x/y", "http://a.b:", "http://a.b:0", "http://a.b:99999999999999999",
      "a.b:1:2", "a.b:1/x", "a.b:1x", "a:1.b", "a.b::1", ":1", "a.b /x", " a.b", "a.b\t",
      "a.b\\x", "a\\b.c", "a.b%20", "a.b/%%", "a.b?#/", "\xC3\xA9.b", "a.\xC3\xA9", "a.b/\xC3\xA9",
      "A.B", "0.0", "1.2.3.4:80/x", "[::1]/x", "a.b@c.d", "a-b_c.d-e_f/g",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(MatchesDownloadUrl(text), RegexMatches(kPattern, text)) << Show(text);
  }
}

// Random texts over the characters that matter, in shapes that reach every
// part of the expression: prefixes, hosts, ports and tails.
TEST(MatchesDownloadUrl, AgreesWithTheExpressionOnRandomTexts) {
  const std::regex expression(kPattern, std::regex::ECMAScript);
  const std::string alphabet = std::string("ab.-_:/?#09Z\n\r \\@%") + '\0' + "\x80\xFF";
  const char* pieces[] = {"http://", "https://", "http", "https", ":", "//", ".", "..", "a",
                          "b.c", ":8443", ":", "/", "?", "#", "\n", "-", "_"};
  std::mt19937 random(20240131);
  int matched = 0;
  for (int round = 0; round < 40000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      if (random() % 3 == 0) {
        text += pieces[random() % (sizeof pieces / sizeof *pieces)];
      } else {
        text += alphabet[random() % alphabet.size()];
      }
    }
    const bool expected = std::regex_match(text, expression);
    matched += expected;
    ASSERT_EQ(MatchesDownloadUrl(text), expected) << Show(text);
  }
  // The texts reach both answers often enough to mean something.
  EXPECT_GT(matched, 300);
  EXPECT_LT(matched, 39000);
}

// Every byte value in every position that matters: prefix, host, the dot,
// the port and the tail.
TEST(MatchesDownloadUrl, AgreesWithTheExpressionForEveryByteInEveryPosition) {
  const std::regex expression(kPattern, std::regex::ECMAScript);
  const std::string templates[] = {"https://a.b:1/c", "a.b", "http://ab", "a.b:12", "a.b?c"};
  for (const std::string& base : templates) {
    for (std::size_t at = 0; at <= base.size(); ++at) {
      for (int byte = 0; byte < 256; ++byte) {
        for (const bool replace : {true, false}) {
          if (replace && at == base.size()) continue;
          std::string text = base;
          if (replace) {
            text[at] = static_cast<char>(byte);
          } else {
            text.insert(at, 1, static_cast<char>(byte));
          }
          ASSERT_EQ(MatchesDownloadUrl(text), std::regex_match(text, expression)) << Show(text);
        }
      }
    }
  }
}

// Where the two expressions disagree, the text carries a port: the mend
// changes nothing else.
TEST(MatchesDownloadUrl, DiffersFromTheOriginalOnlyWhereThereIsAPort) {
  const std::regex original(kOriginalPattern, std::regex::ECMAScript);
  const std::regex mended(kPattern, std::regex::ECMAScript);
  const std::regex withPort(R"(^((http|https):\/\/)?[\w.-]+:\d+([\/?#].*)?$)", std::regex::ECMAScript);
  const std::string alphabet = "ab.:/?#19\n";
  std::mt19937 random(77);
  int differences = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = random() % 2 ? "https://" : "";
    const int length = static_cast<int>(random() % 10);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    const bool before = std::regex_match(text, original);
    const bool after = std::regex_match(text, mended);
    ASSERT_EQ(MatchesDownloadUrl(text), after) << Show(text);
    if (before != after) {
      ++differences;
      EXPECT_TRUE(after) << Show(text);
      EXPECT_TRUE(std::regex_match(text, withPort)) << Show(text);
    }
  }
  EXPECT_GT(differences, 0);
}

// Long and pathological texts: the matcher is linear, and still agrees.
TEST(MatchesDownloadUrl, AgreesOnLongAndRepetitiveTexts) {
  const std::string cases[] = {
      std::string(150, '.'),
      std::string(150, 'a'),
      "https://" + std::string(100, '.') + "a",
      std::string(100, 'a') + "." + std::string(100, 'b') + ":" + std::string(50, '9') + "/x",
      "a.b/" + std::string(200, 'x') + "\n",
      "https://" + std::string(60, '-') + ".-" + std::string(60, '_') + "#",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(MatchesDownloadUrl(text), RegexMatches(kPattern, text)) << Show(text);
  }
  // Far beyond what std::regex's recursion would take.
  EXPECT_TRUE(MatchesDownloadUrl("a.b/" + std::string(1 << 20, 'x')));
  EXPECT_FALSE(MatchesDownloadUrl(std::string(1 << 20, 'a')));
}

}  // namespace
