#include "config/api_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/vellam_exception.h"
#include "fakes/fake_code_pages.h"
#include "fakes/fake_platform.h"

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

ProductConstants Constants() {
  ProductConstants c;
  c.wizardName = L"ISV";
  c.productTitle = L"Pellio Classic";
  c.productId = L"PellioClassic";
  c.publisher = L"Varnex";
  c.stubId = L"PellioClassic_VLM";
  c.configHost = L"cdn.test";
  c.rolloutHost = L"rollout.test";
  c.webHost = L"www.test";
  return c;
}

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
      Constants(), ConfigurationPlatform{files, system, registry, clock, dialogs});
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

TEST_F(ApiManagerTest, DownloadCodeUsesTheSystemCodePageAndTheRestTheThreads) {
  BuildConfigurationRequest(*settings, system, codePages);
  ASSERT_EQ(codePages.fromWideTexts.size(), codePages.fromWideCodePages.size());
  for (std::size_t i = 0; i < codePages.fromWideTexts.size(); ++i) {
    const std::uint32_t expected =
        codePages.fromWideTexts[i] == L"ab12-cd" ? platform::kCpAcp : platform::kCpThreadAcp;
    EXPECT_EQ(codePages.fromWideCodePages[i], expected) << "for " << i;
  }
  EXPECT_EQ(codePages.fromWideTexts.size(), 6u);
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
  const nlohmann::json request = BuildConfigurationRequest(*settings, system, codePages);
  EXPECT_EQ(request["o"], "");
  EXPECT_EQ(request["u"], "");
  EXPECT_EQ(request["plv"], "");
  EXPECT_EQ(request.size(), 8u);
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
    const nlohmann::json document = manager.GetConfiguration();
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
  const nlohmann::json document = api.GetConfiguration();
  EXPECT_EQ(document, nlohmann::json::parse(
                          "{\"l\":\"US\",\"o\":[],\"f\":{\"a\":\"pub1\",\"m\":2},"
                          "\"x\":\"Caf\xC3\xA9\xC2\xA0\xE2\x80\xA6\"}"))
      << "bytes 0x80-0xFF stay, a no-break space among them";
}

TEST_F(ApiManagerTest, TwoWordDisplayNameArrivesAsOneWord) {
  sender.answers = {{200, "{\"o\":[{\"ps\":{\"dn\":\"Nimbus Backup\"}}]}"}};
  EXPECT_EQ(api.GetConfiguration()["o"][0]["ps"]["dn"], "NimbusBackup");
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
  EXPECT_THROW(third.GetConfiguration(), nlohmann::json::parse_error);
  EXPECT_EQ(html.calls.size(), 3u);
}

TEST(StripWhitespaceTest, RemovesTheSixAsciiWhitespaceBytesOnly) {
  EXPECT_EQ(StripWhitespace(" a\tb\nc\vd\fe\rf "), "abcdef");
  EXPECT_EQ(StripWhitespace(""), "");
  EXPECT_EQ(StripWhitespace("\xA0\x85\xC2\xA0x"), "\xA0\x85\xC2\xA0x");
  EXPECT_EQ(StripWhitespace(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
