#include "config/api_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/vellam_exception.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_platform.h"
#include "json/json_parser.h"
#include "support/test_constants.h"

#include "../../shared/json_support.h"

namespace {

// Answers SendJson from a script, one entry per call (the last repeats).
class ScriptedSender : public JsonSender {
 public:
  struct Answer {
    std::uint32_t status;
    std::string body;
    bool throws = false;
  };
  std::vector<Answer> answers;
  struct Call {
    std::wstring url;
    std::string body;
    std::size_t headerCount;
    bool startedClean;  // empty response and status 0 on entry
  };
  std::vector<Call> calls;

  bool SendJson(const std::wstring& url, const std::string& body, const HeaderList& headers,
                std::string& response, std::uint32_t& status) override {
    calls.push_back({url, body, headers.size(), response.empty() && status == 0});
    const Answer& answer = answers[std::min(calls.size(), answers.size()) - 1];
    if (answer.throws) throw VellamException();
    response += answer.body;  // a client accumulates; the caller must clear
    status = answer.status;
    return true;
  }
};

class ApiManagerTest : public ::testing::Test {
 protected:
  FakeFileSystem files;
  FakeSystemInfo system;  // version 1.2.3.4, Windows 10.0.19045, Pellio_ab12-cd.exe
  FakeAnsiRegistry registry;
  FakeClock clock;
  FakeDialogs dialogs;
  FakeCodePages codePages;
  ScriptedSender sender;
  std::shared_ptr<ConfigurationManager> settings = std::make_shared<ConfigurationManager>(
      TestConstants(), ConfigurationPlatform{files, system, registry, clock, dialogs});
  ApiManager api{[this] { return settings; }, ApiPlatform{sender, system, codePages, clock}};

  void SetUp() override { settings->localeName = L"en-US"; }
};

TEST_F(ApiManagerTest, PostsTheIdentityAsCompactSortedJsonToTheConfigUrl) {
  sender.answers = {{200, "{}"}};
  api.GetConfiguration();
  ASSERT_EQ(sender.calls.size(), 1u);
  EXPECT_EQ(sender.calls[0].url, L"https://cdn.test/o");
  EXPECT_EQ(sender.calls[0].body,
            "{\"a\":\"Varnex\",\"i\":\"PellioClassic\",\"l\":\"en\",\"o\":\"10.0.19045\","
            "\"plv\":\"1.2.3.4\",\"prv\":\"0.1\",\"s\":\"PellioClassic_VLM\",\"u\":\"ab12-cd\"}");
  EXPECT_EQ(sender.calls[0].headerCount, 0u);
  EXPECT_TRUE(clock.waits.empty());
}

TEST_F(ApiManagerTest, EveryTextIsConvertedToUtf8) {
  BuildConfigurationRequest(*settings, system, codePages);
  EXPECT_EQ(codePages.fromWideCodePages, std::vector<std::uint32_t>(6, platform::kCpUtf8));
}

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    std::uint32_t min = 0, value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, value = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

TEST_F(ApiManagerTest, NonAsciiIdentityStillGivesAValidUtf8Body) {
  // ANSI bytes of these would not be UTF-8, and the JSON library refuses
  // to write such text at all (type_error 316).
  system.executablePath = L"C:\\Users\\u\\Downloads\\Pellio_ab1-cd\u00e9.exe";
  settings->publisher = L"V\u00e4rnex \u4e2d";
  settings->localeName = L"\u00e9s-ES";
  settings->programVersion = L"1.2.3.4\U0001F600";
  sender.answers = {{200, "{}"}};
  ASSERT_NO_THROW(api.GetConfiguration());
  ASSERT_EQ(sender.calls.size(), 1u);
  const std::string& body = sender.calls[0].body;
  EXPECT_TRUE(IsUtf8(body)) << body;
  const JsonValue sent = ParseJson(body);
  EXPECT_EQ(sent["u"], "ab1-cd\xC3\xA9");
  EXPECT_EQ(sent["a"], "V\xC3\xA4rnex \xE4\xB8\xAD");
  EXPECT_EQ(sent["l"], "\xC3\xA9s");
  EXPECT_EQ(sent["plv"], "1.2.3.4\xF0\x9F\x98\x80");
}

// Hands back bytes that are not UTF-8 whatever it is asked for.
class BrokenCodePages : public platform::CodePages {
 public:
  bool FromWide(std::uint32_t, const std::wstring&, std::string& out) override {
    out = "caf\xE9";
    return true;
  }
  bool ToWide(std::uint32_t, const std::string&, std::wstring& out) override {
    out.clear();
    return true;
  }
};

TEST_F(ApiManagerTest, BytesThatAreNotUtf8AreReplacedNotThrown) {
  BrokenCodePages broken;
  sender.answers = {{200, "{}"}};
  ApiManager manager([this] { return settings; }, ApiPlatform{sender, system, broken, clock});
  ASSERT_NO_THROW(manager.GetConfiguration());
  ASSERT_EQ(sender.calls.size(), 1u);
  EXPECT_TRUE(IsUtf8(sender.calls[0].body));
  EXPECT_EQ(ParseJson(sender.calls[0].body)["a"], "caf\xEF\xBF\xBD");
}

TEST_F(ApiManagerTest, LanguageIsTheLocalesFirstTwoCharactersInLowerCase) {
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"en-US", "en"}, {L"PL-pl", "pl"}, {L"De", "de"}, {L"x", "x"}, {L"", ""}, {L"pt-BR", "pt"},
  };
  for (const auto& [locale, language] : cases) {
    settings->localeName = locale;
    EXPECT_EQ(BuildConfigurationRequest(*settings, system, codePages)["l"], language);
  }
}

TEST_F(ApiManagerTest, MissingIdentityValuesAreSentEmpty) {
  system.osVersionOk = false;
  system.executablePath = L"C:\\Downloads\\Pellio.exe";
  system.fileVersionOk = false;
  settings->programVersion.clear();
  const JsonValue request = BuildConfigurationRequest(*settings, system, codePages);
  EXPECT_EQ(request["o"], "");
  EXPECT_EQ(request["u"], "");
  EXPECT_EQ(request["plv"], "");
  EXPECT_EQ(request.Size(), 8u);
}

struct AttemptCase {
  const char* name;
  std::vector<ScriptedSender::Answer> answers;
  std::size_t calls;
  std::size_t waits;
  const char* parsedL;  // "l" of the document that comes back
};

TEST_F(ApiManagerTest, RetriesStatusesOutside200To399ThreeTimesFiveSecondsApart) {
  const AttemptCase cases[] = {
      {"first answer good", {{200, "{\"l\":\"A\"}"}}, 1, 0, "A"},
      {"399 is good", {{399, "{\"l\":\"B\"}"}}, 1, 0, "B"},
      {"503 then 200", {{503, "<html>busy</html>"}, {200, "{\"l\":\"C\"}"}}, 2, 1, "C"},
      {"199 is bad", {{199, "x"}, {299, "{\"l\":\"D\"}"}}, 2, 1, "D"},
      {"400 is bad", {{400, "x"}, {400, "y"}, {200, "{\"l\":\"E\"}"}}, 3, 2, "E"},
      {"three 404 with JSON", {{404, "{\"l\":\"F\"}"}}, 3, 3, "F"},
      {"no status read", {{0, "{\"l\":\"G\"}"}}, 3, 3, "G"},
  };
  for (const AttemptCase& c : cases) {
    ScriptedSender script;
    script.answers = c.answers;
    FakeClock waits;
    ApiManager manager([this] { return settings; }, ApiPlatform{script, system, codePages, waits});
    const JsonValue document = manager.GetConfiguration();
    EXPECT_EQ(script.calls.size(), c.calls) << c.name;
    EXPECT_EQ(waits.waits, std::vector<std::uint32_t>(c.waits, 5000)) << c.name;
    EXPECT_EQ(document["l"], c.parsedL) << c.name;
    for (const auto& call : script.calls) {
      EXPECT_TRUE(call.startedClean) << c.name << ": each attempt starts empty";
      EXPECT_EQ(call.body, script.calls[0].body) << c.name;
    }
  }
}

TEST_F(ApiManagerTest, SenderFailureEndsAtOnceWithoutRetry) {
  sender.answers = {{503, "x"}, {0, "", true}};
  EXPECT_THROW(api.GetConfiguration(), VellamException);
  EXPECT_EQ(sender.calls.size(), 2u);
  EXPECT_EQ(clock.waits, std::vector<std::uint32_t>{5000});
}

TEST_F(ApiManagerTest, EmptyConfigUrlThrowsWithoutSending) {
  settings->configUrl.clear();
  EXPECT_THROW(api.GetConfiguration(), VellamException);
  EXPECT_TRUE(sender.calls.empty());
}

TEST_F(ApiManagerTest, WhitespaceIsRemovedEverywhereBeforeParsing) {
  sender.answers = {{200,
                     " {\r\n\t\"l\" : \"US\",\n  \"o\" : [ ],\v\f\n"
                     "  \"f\": {\"a\": \"pub 1\", \"m\": 2},\n"
                     "  \"x\": \"Caf\xC3\xA9 \xC2\xA0\xE2\x80\xA6\"\n}\r\n"}};
  const JsonValue document = api.GetConfiguration();
  EXPECT_EQ(document, ParseJson(
                          "{\"l\":\"US\",\"o\":[],\"f\":{\"a\":\"pub1\",\"m\":2},"
                          "\"x\":\"Caf\xC3\xA9\xC2\xA0\xE2\x80\xA6\"}"))
      << "bytes 0x80-0xFF stay, a no-break space among them";
}

TEST_F(ApiManagerTest, TwoWordDisplayNameArrivesAsOneWord) {
  sender.answers = {{200, "{\"o\":[{\"ps\":{\"dn\":\"Nimbus Backup\"}}]}"}};
  EXPECT_EQ(api.GetConfiguration()["o"].Elements().at(0)["ps"]["dn"], "NimbusBackup");
}

TEST_F(ApiManagerTest, UnusableAnswersThrow) {
  sender.answers = {{200, ""}};
  EXPECT_THROW(api.GetConfiguration(), VellamException);

  ScriptedSender blank;
  blank.answers = {{200, " \r\n\t "}};
  ApiManager second([this] { return settings; }, ApiPlatform{blank, system, codePages, clock});
  EXPECT_THROW(second.GetConfiguration(), VellamException);

  ScriptedSender html;
  html.answers = {{503, "<html>busy</html>"}};
  ApiManager third([this] { return settings; }, ApiPlatform{html, system, codePages, clock});
  EXPECT_THROW(third.GetConfiguration(), JsonParseError);
  EXPECT_EQ(html.calls.size(), 3u);
}

// An answer nested `depth` levels deep, arrays and objects taking turns.
std::string Nested(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) {
    open += i % 2 ? "[" : "{\"k\":";
    close = (i % 2 ? "]" : "}") + close;
  }
  return open + "1" + close;
}

TEST_F(ApiManagerTest, NestingUpTo64LevelsIsAcceptedDeeperIsRefused) {
  struct Case {
    const char* name;
    std::string answer;
    bool accepted;
  };
  const Case cases[] = {
      {"64 levels", Nested(64), true},
      {"65 levels", Nested(65), false},
      {"100000 levels", std::string(100000, '['), false},
      {"brackets in a string do not count",
       "{\"s\":\"" + std::string(200, '[') + "\\\"{{{\",\"t\":" + Nested(63) + "}", true},
      {"closed levels do not add up", "[" + Nested(63) + "," + Nested(63) + "]", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedSender script;
    script.answers = {{200, c.answer}};
    ApiManager manager([this] { return settings; }, ApiPlatform{script, system, codePages, clock});
    if (c.accepted) {
      EXPECT_NO_THROW(manager.GetConfiguration());
      continue;
    }
    try {
      manager.GetConfiguration();
      ADD_FAILURE() << "no exception";
    } catch (const VellamException& e) {
      EXPECT_STREQ(e.what(), "Configuration nested deeper than 64 levels");
    }
  }
}

TEST_F(ApiManagerTest, AnswerAboveFourMebibytesIsRefused) {
  // {"x":"aaa...a"} of exactly the given size.
  auto document = [](std::size_t size) {
    return "{\"x\":\"" + std::string(size - 8, 'a') + "\"}";
  };
  sender.answers = {{200, document(kMaxJsonResponseBytes)}};
  EXPECT_EQ(api.GetConfiguration()["x"].String().size(), kMaxJsonResponseBytes - 8);

  ScriptedSender bigger;
  bigger.answers = {{200, document(kMaxJsonResponseBytes + 1)}};
  ApiManager manager([this] { return settings; }, ApiPlatform{bigger, system, codePages, clock});
  try {
    manager.GetConfiguration();
    ADD_FAILURE() << "no exception";
  } catch (const VellamException& e) {
    EXPECT_STREQ(e.what(), "Configuration larger than 4194304 bytes");
  }
}

TEST_F(ApiManagerTest, OtherJsonLibraryErrorsBecomeVellamExceptions) {
  // The parser reports a number it cannot hold as out_of_range, not as a
  // parse error.
  sender.answers = {{200, "{\"n\":1e99999}"}};
  try {
    api.GetConfiguration();
    ADD_FAILURE() << "no exception";
  } catch (const VellamException& e) {
    EXPECT_NE(std::string(e.what()).find("number overflow"), std::string::npos) << e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "escaped: " << e.what();
  }
}

TEST(StripWhitespaceTest, RemovesTheSixAsciiWhitespaceBytesOnly) {
  EXPECT_EQ(StripWhitespace(" a\tb\nc\vd\fe\rf "), "abcdef");
  EXPECT_EQ(StripWhitespace(""), "");
  EXPECT_EQ(StripWhitespace("\xA0\x85\xC2\xA0x"), "\xA0\x85\xC2\xA0x");
  EXPECT_EQ(StripWhitespace(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
