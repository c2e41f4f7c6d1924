// Analytics reports: the template, the package payloads, the exact request
// body, and the senders' attempts, closing and waits over a scripted
// transport (no real pauses).
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "config/package_fixture.h"
#include "events/events.h"

namespace {


constexpr const char* kSignature =
    "Signature=001772e693c8637a5665832541d529e6f4d76ad33411c1353e05e62d1f704126";

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class EventsTest : public PackageFixture {
 protected:
  EventTemplate Template() { return EventTemplate(*settings, system, codePages); }

  // The payload of a delivered report, parsed back out of its body.
  static JsonValue DataOf(const ScriptedSender::Call& call) {
    return ParseJson(ParseJson(call.body)["data"].String());
  }
};

TEST_F(EventsTest, TemplateFromTheSettings) {
  settings->programVersion = L"1.2.3.4";
  settings->flowCode = L"flow\u00e9";
  settings->channel = L"chan";
  system.osVersion = {10, 0, 19045, 0};
  system.wow64 = true;
  const EventTemplate eventTemplate = Template();

  JsonValue expected = JsonValue::MakeObject();
  for (int key = 0; key <= 22; ++key) expected[std::to_string(key)] = "";
  expected["1"] = "guid-1";
  expected["2"] = "20250101120000";
  expected["3"] = "Varnex";
  expected["4"] = "PellioClassic";
  expected["7"] = "1.2.3.4";
  expected["15"] = 0;
  expected["19"] = "flow\xe9";  // through the ANSI code page
  expected["21"] = "chan";
  expected["22"] = "Pellio Classic";
  expected["31"] = "10.0.19045";
  expected["38"] = "1";
  EXPECT_EQ(eventTemplate.payload, expected);
  EXPECT_EQ(eventTemplate.headers, (HeaderList{{L"Authorization", Wide(kSignature)}}));

  system.wow64 = false;
  EXPECT_EQ(Template().payload["38"], "0");
  system.wow64CallOk = false;
  system.wow64 = true;
  EXPECT_EQ(Template().payload["38"], "0");
}

TEST_F(EventsTest, PackagePayloads) {
  const EventTemplate eventTemplate = Template();
  struct Case {
    const char* what;
    std::shared_ptr<Package> package;
    JsonValue expected;  // the members added to the template's
  };
  const Case cases[] = {
      {"offer at 0",
       MakeOffer(OfferWith(R"({"c": "ch"})"), 0, eventTemplate),
       {{"5", "offer42"}, {"10", 2}, {"16", "ch"}, {"17", "1"}, {"18", "feed9"}}},
      {"offer at 4",
       MakeOffer(BaseOffer(), 4, eventTemplate),
       {{"5", "offer42"}, {"10", 2}, {"16", ""}, {"17", "5"}, {"18", "feed9"}}},
      {"offer at the end of the range",
       MakeOffer(BaseOffer(), 2147483647, eventTemplate),
       {{"5", "offer42"}, {"10", 2}, {"16", ""}, {"17", "2147483648"}, {"18", "feed9"}}},
      {"main product", MakeMain(eventTemplate), {{"5", "Pellio Classic"}, {"10", 1}, {"18", ""}}},
  };
  for (const Case& c : cases) {
    JsonValue expected = eventTemplate.payload;
    Update(expected, c.expected);
    EXPECT_EQ(c.package->eventPayload, expected) << c.what;
  }
}

TEST_F(EventsTest, RequestBodyByteForByte) {
  struct Case {
    JsonValue payload;
    std::int32_t code;
    JsonValue extra;
    std::string body;
  };
  const Case cases[] = {
      {JsonValue::MakeObject(), 5, nullptr, R"({"data":"{\"6\":\"5\"}","table":"zb_analytics"})"},
      {{{"1", "g"}, {"2", "s"}, {"10", 2}, {"15", 0}},
       -1,
       {{"12", "DOWNLOAD FAILED: 404"}},
       R"({"data":"{\"1\":\"g\",\"10\":2,\"12\":\"DOWNLOAD FAILED: 404\",\"15\":0,\"2\":\"s\",\"6\":\"-1\"}","table":"zb_analytics"})"},
      {{{"13", ""}},
       2,
       {{"13", "NOT ENOUGH RAM"}},
       R"({"data":"{\"13\":\"NOT ENOUGH RAM\",\"6\":\"2\"}","table":"zb_analytics"})"},
      {{{"5", "a \"q\" \\ b\n"}},
       4,
       JsonValue::MakeObject(),
       R"({"data":"{\"5\":\"a \\\"q\\\" \\\\ b\\n\",\"6\":\"4\"}","table":"zb_analytics"})"},
      // UTF-8 goes through as it is; bytes that are not UTF-8 (an ANSI
      // setting) become U+FFFD instead of losing the report.
      {{{"22", "caf\xc3\xa9"}},
       3,
       nullptr,
       "{\"data\":\"{\\\"22\\\":\\\"caf\xc3\xa9\\\",\\\"6\\\":\\\"3\\\"}\",\"table\":\"zb_"
       "analytics\"}"},
      {{{"22", "caf\xe9"}},
       3,
       nullptr,
       "{\"data\":\"{\\\"22\\\":\\\"caf\xef\xbf\xbd\\\",\\\"6\\\":\\\"3\\\"}\",\"table\":\"zb_"
       "analytics\"}"},
      // An extra replaces members of the same key; "6" can be replaced too.
      {{{"1", "g"}},
       1,
       {{"1", "other"}, {"6", "x"}},
       R"({"data":"{\"1\":\"other\",\"6\":\"x\"}","table":"zb_analytics"})"},
      // Anything but an object adds nothing.
      {{{"1", "g"}},
       1,
       JsonValue::MakeArray({"x"}),
       R"({"data":"{\"1\":\"g\",\"6\":\"1\"}","table":"zb_analytics"})"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildEventBody(BuildEventData(c.payload, c.code, c.extra)), c.body) << c.body;
  }
}

TEST_F(EventsTest, FinalCodes) {
  const std::pair<std::int32_t, bool> codes[] = {{-1, true}, {0, false}, {1, false}, {2, true},
                                                 {3, true},  {4, true},  {5, true},  {6, false}};
  for (const auto& [code, final] : codes) EXPECT_EQ(IsFinalEvent(code), final) << code;
}

// One report against a scripted analytics server: attempts, pauses and
// whether the package closes.
TEST_F(EventsTest, AttemptsAndClosing) {
  constexpr std::uint32_t kThrow = ScriptedSender::kThrow;
  struct Case {
    std::vector<std::uint32_t> answers;
    std::int32_t code;
    std::size_t attempts;
    std::size_t pauses;
    bool closed;
  };
  const Case cases[] = {
      {{200}, 2, 1, 0, true},       {{204}, 4, 1, 0, true},       {{302}, 5, 1, 0, true},
      {{399}, 3, 1, 0, true},       {{500, 200}, -1, 2, 1, true}, {{400, 399}, 2, 2, 1, true},
      {{199, 200}, 2, 2, 1, true},  {{0, 200}, 2, 2, 1, true},    {{500, 500}, 2, 2, 2, false},
      {{404, 503}, 5, 2, 2, false}, {{kThrow}, 2, 1, 0, false},   {{500, kThrow}, 2, 2, 1, false},
      {{200}, 1, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "code " << c.code << ", first answer " << c.answers[0]);
    ScriptedSender transport;
    PauseLog log;
    auto local = std::make_shared<PackageServices>(
        PackageServices{*settings, system, codePages, crypto, clock, registry, transport,
                        [&log](std::uint32_t ms) { log.Add(ms); }, nullptr, nullptr});
    transport.Script(c.answers);
    auto offer = std::make_shared<Package>(local, Template(), BaseOffer(), false, "", 0);
    offer->ReportEvent(c.code, nullptr);
    offer->WaitForEvents();
    const std::vector<ScriptedSender::Call> calls = transport.Calls();
    ASSERT_EQ(calls.size(), c.attempts);
    for (const ScriptedSender::Call& call : calls) {
      EXPECT_EQ(call.url, L"https://cdn.test/zbd");
      EXPECT_EQ(call.body, calls[0].body) << "every attempt sends the same body";
      EXPECT_EQ(call.headers, (HeaderList{{L"Authorization", Wide(kSignature)}}));
    }
    EXPECT_EQ(DataOf(calls[0])["6"], std::to_string(c.code));
    EXPECT_EQ(log.All(), std::vector<std::uint32_t>(c.pauses, 5000));
    EXPECT_EQ(offer->eventsClosed, c.closed);
    EXPECT_EQ(offer->pendingEvents, 0);
  }
}

TEST_F(EventsTest, NothingIsSentAfterADeliveredFinalReport) {
  auto offer = MakeOffer(BaseOffer(), 0, Template());
  offer->ReportEvent(kEventRejected, {{"13", "NOT ENOUGH RAM"}});
  offer->WaitForEvents();
  offer->ReportEvent(kEventClosing, nullptr);
  offer->WaitForEvents();
  const auto calls = sender.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(DataOf(calls[0])["6"], "2");
  EXPECT_EQ(DataOf(calls[0])["13"], "NOT ENOUGH RAM");
  EXPECT_EQ(offer->pendingEvents, 0);
}

TEST_F(EventsTest, AFinalReportThatFailedLeavesThePackageOpen) {
  auto offer = MakeOffer(BaseOffer(), 0, Template());
  sender.Script({500, 500, 200});
  offer->ReportEvent(kEventDeclined, nullptr);
  offer->WaitForEvents();
  EXPECT_FALSE(offer->eventsClosed);
  offer->ReportEvent(kEventClosing, nullptr);
  offer->WaitForEvents();
  const auto calls = sender.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(DataOf(calls[2])["6"], "5");
  EXPECT_TRUE(offer->eventsClosed);
}

TEST_F(EventsTest, DeliveredFirstPageReportReopensThePackage) {
  // The first-page report is on its way when a final one is delivered.
  auto main = MakeMain(Template());
  sender.CloseGate();
  main->ReportEvent(kEventFirstPage, nullptr);
  sender.WaitForCallers(1);
  main->eventsClosed = true;
  sender.OpenGate();
  main->WaitForEvents();
  EXPECT_FALSE(main->eventsClosed);

  // Not delivered: the package stays as it was.
  sender.Script({500});
  sender.CloseGate();
  main->ReportEvent(kEventFirstPage, nullptr);
  sender.WaitForCallers(2);
  main->eventsClosed = true;
  sender.OpenGate();
  main->WaitForEvents();
  EXPECT_TRUE(main->eventsClosed);
}

TEST_F(EventsTest, CloseAfterDeclineDependsOnDelivery) {
  // The decline report is still on its way when the close report starts:
  // both are sent.
  auto pending = MakeOffer(BaseOffer(), 0, Template());
  sender.CloseGate();
  pending->ReportEvent(kEventDeclined, nullptr);
  pending->ReportEvent(kEventClosing, nullptr);
  EXPECT_EQ(pending->pendingEvents, 2);
  sender.OpenGate();
  pending->WaitForEvents();
  std::vector<std::string> codes;
  for (const auto& call : sender.Calls()) codes.push_back(DataOf(call)["6"].String());
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<std::string>{"4", "5"}));

  // Delivered first: the close report is skipped.
  auto delivered = MakeOffer(BaseOffer(), 0, Template());
  delivered->ReportEvent(kEventDeclined, nullptr);
  delivered->WaitForEvents();
  delivered->ReportEvent(kEventClosing, nullptr);
  delivered->WaitForEvents();
  EXPECT_EQ(sender.Calls().size(), 3u);
}

TEST_F(EventsTest, ExtraMembersApplyToOneReportOnly) {
  auto offer = MakeOffer(BaseOffer(), 0, Template());
  offer->ReportEvent(kEventFirstPage, {{"1", "replaced"}});
  offer->WaitForEvents();
  offer->ReportEvent(kEventFirstPage, nullptr);
  offer->WaitForEvents();
  const auto calls = sender.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(DataOf(calls[0])["1"], "replaced");
  EXPECT_EQ(DataOf(calls[1])["1"], "guid-1");
  EXPECT_EQ(offer->eventPayload["1"], "guid-1");
}

TEST_F(EventsTest, ReleasingThePackageWaitsForItsSenders) {
  auto offer = MakeOffer(BaseOffer(), 0, Template());
  sender.CloseGate();
  offer->ReportEvent(kEventRejected, nullptr);
  sender.WaitForCallers(1);
  // The last reference goes while the sender is held at the gate; the
  // sender still uses the package after the gate opens (a package freed
  // under it shows as a use after free in this sanitized build).
  std::thread releaser([&offer] { offer.reset(); });
  sender.OpenGate();
  releaser.join();
  EXPECT_EQ(sender.Calls().size(), 1u);
}

TEST_F(EventsTest, InitMainProductRefreshesWhatLaterReportsSend) {
  auto main = MakeMain();
  EXPECT_EQ(main->eventPayload["5"], "");
  main->InitMainProduct(Template(), L"PellioClassic", L"flow9", L"Pellio Classic", L"chan9");
  main->ReportEvent(kEventFirstPage, nullptr);
  main->WaitForEvents();
  const auto calls = sender.Calls();
  ASSERT_EQ(calls.size(), 1u);
  const JsonValue data = DataOf(calls[0]);
  EXPECT_EQ(data["5"], "Pellio Classic");
  EXPECT_EQ(data["10"], 1);
  EXPECT_EQ(data["1"], "guid-1");
  EXPECT_EQ(calls[0].headers.size(), 1u);
}

// The wizard's close: code 5 to each shown offer in turn, each waited for,
// then the main product.
TEST_F(EventsTest, ClosingReportsGoOutOnePackageAfterAnother) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> answers;
    bool withMain;
    std::vector<std::string> sentTo;  // "5" of each call, in order
    std::size_t pauses;
  };
  const Case cases[] = {
      {"delivered", {200}, true, {"A", "B", "Pellio Classic"}, 0},
      {"server failing", {500}, true, {"A", "A", "B", "B", "Pellio Classic", "Pellio Classic"}, 6},
      {"no network", {ScriptedSender::kThrow}, true, {"A", "B", "Pellio Classic"}, 0},
      {"no main product yet", {200}, false, {"A", "B"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedSender transport;
    PauseLog log;
    auto local = std::make_shared<PackageServices>(
        PackageServices{*settings, system, codePages, crypto, clock, registry, transport,
                        [&log](std::uint32_t ms) { log.Add(ms); }, nullptr, nullptr});
    transport.Script(c.answers);
    JsonValue a = BaseOffer(), b = BaseOffer();
    a["ad"]["o"] = "A";
    b["ad"]["o"] = "B";
    settings->shownOffers = {std::make_shared<Package>(local, Template(), a, false, "", 0), nullptr,
                             std::make_shared<Package>(local, Template(), b, false, "", 1)};
    settings->mainPackage =
        c.withMain ? std::make_shared<Package>(local, Template(), true, 0, L"PellioClassic", L"",
                                               L"Pellio Classic", L"")
                   : nullptr;
    ReportClosing(*settings);
    std::vector<std::string> sentTo;
    for (const auto& call : transport.Calls()) {
      EXPECT_EQ(DataOf(call)["6"], "5");
      sentTo.push_back(DataOf(call)["5"].String());
    }
    EXPECT_EQ(sentTo, c.sentTo);
    EXPECT_EQ(log.All().size(), c.pauses);
    for (const auto& offer : settings->shownOffers) {
      if (offer) {
        EXPECT_EQ(offer->pendingEvents, 0);
      }
    }
    settings->shownOffers.clear();
    settings->mainPackage.reset();
  }
}

TEST_F(EventsTest, ClosingSkipsPackagesAlreadyClosed) {
  auto closed = MakeOffer(BaseOffer(), 0, Template());
  closed->eventsClosed = true;
  settings->shownOffers = {closed};
  ReportClosing(*settings);
  EXPECT_TRUE(sender.Calls().empty());
  settings->shownOffers.clear();
}

}  // namespace
