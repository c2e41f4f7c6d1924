// The loading hand-over: scripted configuration answers walked through the
// rules, the DLM description and its configuration error, ISV going on
// without offers, pictures counted down to exactly one hand-over, and
// rejection reports that the loading does not wait for.
#include "app/offer_loading.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/wizard_flow.h"
#include "events/events.h"
#include "rules/rule_engine_fixture.h"

namespace {


// The page's window as the task sees it: counts the messages it got.
class PostedMessages {
 public:
  std::shared_ptr<PostTarget> target = std::make_shared<PostTarget>(
      [this](std::uint32_t message, std::uintptr_t, std::intptr_t) {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(message);
        changed_.notify_all();
        return true;
      });
  void WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return messages_.size() >= count; });
  }
  std::vector<std::uint32_t> All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::uint32_t> messages_;
};

// The hand-overs one load made; waits for the first.
class HandOvers {
 public:
  LoadCompleteCallback Callback() {
    return [this](PackageList offers) {
      std::lock_guard<std::mutex> lock(mutex_);
      lists_.push_back(std::move(offers));
      changed_.notify_all();
    };
  }
  PackageList WaitForFirst() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !lists_.empty(); });
    return lists_.front();
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lists_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PackageList> lists_;
};

std::vector<std::string> Ids(const PackageList& offers) {
  std::vector<std::string> ids;
  for (const auto& offer : offers) ids.push_back(offer->offerId);
  return ids;
}

class OfferLoadingTest : public RuleEngineFixture {
 protected:
  // Each request answers with the next of these (a null throws).
  std::vector<JsonValue> answers;
  std::size_t requests = 0;

  void SetUp() override {
    RuleEngineFixture::SetUp();
    settings->wizardType = kWizardIsv;
    settings->channel = L"chan1";
  }

  LoadingServices Services(bool pictures = false) {
    auto packages = std::make_shared<PackageServices>(*services);
    if (!pictures) packages->downloads = nullptr;  // pictures done at once
    return LoadingServices{
        *settings, packages,
        OfferRulePlatform{*machineRegistry, system, ruleFiles, machine, clock, codePages},
        [this] {
          const JsonValue answer = answers.at(requests++);
          if (answer.IsNull()) throw std::runtime_error("no answer");
          return answer;
        },
        [] { return EventTemplate(); }};
  }

  // An "o" element with its own id and vertical, plus these "ps" members.
  static JsonValue Element(const std::string& id, int vertical, JsonValue ps = JsonValue::MakeObject()) {
    JsonValue offer = BaseOffer();
    offer["ad"]["o"] = id;
    offer["ps"]["i"] = id;
    offer["ps"]["v"] = vertical;
    Update(offer["ps"], ps);
    return offer;
  }

  // Runs one load to its hand-over; false when the configuration error is
  // to be shown.
  bool Load(PackageList& offers, bool pictures = false) {
    PostedMessages page;
    OfferLoading loading(Services(pictures), page.target);
    loading.Start();
    page.WaitFor(1);
    EXPECT_EQ(page.All(), std::vector<std::uint32_t>{kRequestCompleteMessage});
    HandOvers handOvers;
    if (!loading.Complete(handOvers.Callback())) return false;
    offers = handOvers.WaitForFirst();
    EXPECT_EQ(handOvers.Count(), 1u);
    return true;
  }
};

TEST_F(OfferLoadingTest, OffersWalkedThroughTheRules) {
  const struct {
    const char* name;
    JsonValue response;
    std::vector<std::string> accepted;
    std::vector<RuleReport> reports;
    std::int32_t maxOffers;
  } cases[] = {
      {"no \"o\": no offers",
       {{"f", {{"m", 3}}}},
       {},
       {},
       3},
      {"a shared vertical is rejected and reported, the walk goes on",
       {{"f", {{"m", 3}}},
        {"o", {Element("a", 1), Element("b", 1), Element("c", 2)}}},
       {"a", "c"},
       {{"b", "SAME VERTICAL OFFER ALREADY PRESENT"}},
       3},
      {"the limit stops the walk after two",
       {{"f", {{"m", 2}}},
        {"o", {Element("a", 1), Element("b", 2), Element("c", 3), Element("d", 4)}}},
       {"a", "b"},
       {},
       2},
      {"an exclusive offer ends the list",
       {{"f", {{"m", 5}}},
        {"o", {Element("a", 1, {{"exc", true}}), Element("b", 2)}}},
       {"a"},
       {},
       5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    answers = {c.response};
    requests = 0;
    settings->acceptedOfferCount = 0;
    const std::size_t reportsBefore = ReportCount();
    PackageList offers;
    ASSERT_TRUE(Load(offers));
    EXPECT_EQ(Ids(offers), c.accepted);
    for (std::size_t i = 0; i < offers.size(); ++i) EXPECT_EQ(offers[i]->index, int(i));
    EXPECT_EQ(settings->acceptedOfferCount, int(c.accepted.size()));
    settings->rejectedOffers.WaitAll();
    const std::vector<RuleReport> reports = Reports();
    EXPECT_EQ(std::vector<RuleReport>(reports.begin() + reportsBefore, reports.end()), c.reports);
    if (c.response.Find("o")) {
      EXPECT_EQ(settings->maxOffers, c.maxOffers);
    }
  }
}

TEST_F(OfferLoadingTest, ResponseFieldsAndSwitchedOffOffers) {
  answers = {{{"l", "DE"},
              {"f", {{"a", "pub9"}, {"m", 3}}},
              {"o", {Element("a", 1)}}}};
  settings->channel = L"00xA";
  PackageList offers;
  ASSERT_TRUE(Load(offers));
  EXPECT_TRUE(offers.empty()) << "channel 00xA switches offers off";
  EXPECT_EQ(settings->countryCode, "DE");
  EXPECT_EQ(settings->pubId, "pub9");
}

TEST_F(OfferLoadingTest, IsvGoesOnWithoutOffersWhenTheTaskFails) {
  const JsonValue failures[] = {
      nullptr,                                         // no answer at all
      {{"o", {Element("a", 1)}}},                      // offers without "f"."m"
      {{"f", {{"m", 2}}}, {"o", {{{"ad", 1}}}}},        // a malformed offer
  };
  for (const JsonValue& failure : failures) {
    SCOPED_TRACE(CompactJson(failure));
    answers = {failure};
    requests = 0;
    PackageList offers{MakeMain()};
    ASSERT_TRUE(Load(offers));
    EXPECT_TRUE(offers.empty());
  }
}

TEST_F(OfferLoadingTest, DlmDescriptionAndConfigurationError) {
  settings->wizardType = kWizardDlm;
  const JsonValue good = {{"i",
                      {{"ct", "Tundra"},
                       {"cu", "https://dl.test/t.exe"},
                       {"cp", "https://p.test"},
                       {"ch", "c7"},
                       {"cfl", "fl2"},
                       {"cb", "isp9"},
                       {"sha256", "0123456789ABCDEFabcdef0123456789ABCDEF0123456789abcdef0123456789"}}},
                     {"f", {{"m", 2}}},
                     {"o", {Element("a", 1)}}};
  answers = {good};
  PackageList offers;
  ASSERT_TRUE(Load(offers));
  EXPECT_EQ(Ids(offers), std::vector<std::string>{"a"});
  EXPECT_EQ(settings->productTitle, L"Tundra");
  EXPECT_EQ(settings->mainSourceUrl, L"https://dl.test/t.exe");
  EXPECT_EQ(settings->mainFileName, L"Tundra.exe");
  EXPECT_EQ(settings->privacyUrl, L"https://p.test");
  EXPECT_EQ(settings->termsUrl, L"");
  EXPECT_EQ(settings->channel, L"c7");
  EXPECT_EQ(settings->flowCode, L"fl2");
  EXPECT_EQ(settings->ispb, "isp9");
  EXPECT_EQ(settings->mainSha256, "0123456789abcdefabcdef0123456789abcdef0123456789abcdef0123456789");

  const JsonValue errors[] = {
      {{"i", {{"ct", ""}, {"cu", "https://dl.test/t.exe"}}}},  // empty title: the flag
      {{"i", {{"ct", "Tundra"}, {"cu", ""}}}},
      {{"f", {{"m", 2}}}},                                   // no "i": an exception
      nullptr,                                               // no answer
      {{"i", {{"ct", "T"}, {"cu", "u"}}}, {"o", JsonValue::MakeArray()}},  // offers without "f"
  };
  for (const JsonValue& error : errors) {
    SCOPED_TRACE(CompactJson(error));
    answers = {error};
    requests = 0;
    EXPECT_FALSE(Load(offers));
  }
  answers = {{{"i", {{"ct", "T"}, {"cu", "u"}, {"ch", "00xA"}}}, {"o", {Element("a", 1)}}}};
  requests = 0;
  ASSERT_TRUE(Load(offers));
  EXPECT_TRUE(offers.empty()) << "\"ch\" 00xA switches the offers off";
}

TEST_F(OfferLoadingTest, RejectionReportsAreNotWaitedFor) {
  // Ten offers in one vertical: nine rejections, each held at the gate.
  JsonValue elements = JsonValue::MakeArray();
  for (int i = 0; i < 10; ++i) elements.PushBack(Element("o" + std::to_string(i), 1));
  answers = {{{"f", {{"m", 5}}}, {"o", elements}}};
  sender.Script({500, 200});  // the first report needs its second attempt
  sender.CloseGate();
  PackageList offers;
  ASSERT_TRUE(Load(offers)) << "the hand-over came with every report held";
  EXPECT_EQ(Ids(offers), std::vector<std::string>{"o0"});
  sender.WaitForCallers(9);
  EXPECT_TRUE(sender.Calls().empty());
  EXPECT_EQ(settings->rejectedOffers.size(), 9u);

  sender.OpenGate();
  settings->rejectedOffers.WaitAll();
  // Nine reports, one of them sent twice; each reason as before.
  const std::vector<RuleReport> reports = Reports();
  EXPECT_EQ(reports.size(), 10u);
  for (const RuleReport& report : reports) {
    EXPECT_EQ(report.reason, "SAME VERTICAL OFFER ALREADY PRESENT");
    EXPECT_NE(report.offerId, "o0");
  }
  EXPECT_EQ(pauses.All(), std::vector<std::uint32_t>{kEventRetryPauseMs});
  settings->rejectedOffers.Keep(nullptr);
  EXPECT_EQ(settings->rejectedOffers.size(), 0u) << "finished ones are let go";
}

TEST_F(OfferLoadingTest, PicturesBeforeTheHandOver) {
  web.answers[L"https://cdn.test/f/a"] = {ScriptedAnswer::Ok("PNG-a")};
  answers = {{{"f", {{"m", 3}}}, {"o", {Element("a", 1)}}}};
  PackageList offers;
  ASSERT_TRUE(Load(offers, true));
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0]->image, decoder.Marker()) << "the picture is there when handed over";

  // A picture that fails still hands the offer over, without it.
  answers = {{{"f", {{"m", 3}}}, {"o", {Element("b", 1)}}}};
  requests = 0;
  ASSERT_TRUE(Load(offers, true));
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_FALSE(offers[0]->image);
}

TEST_F(OfferLoadingTest, PicturesAfterTheWizardClosed) {
  // Closing: the downloads deliver nothing, nothing is decoded, and the
  // count still reaches the hand-over, which posts to a window that is gone.
  web.answers[L"https://cdn.test/f/a"] = {ScriptedAnswer::Ok("PNG-a")};
  answers = {{{"f", {{"m", 3}}}, {"o", {Element("a", 1)}}}};
  PostedMessages page;
  OfferLoading loading(Services(true), page.target);
  loading.Start();
  page.WaitFor(1);
  downloads->stopRequested = true;
  auto dialog = std::make_shared<PostTarget>(
      [](std::uint32_t, std::uintptr_t, std::intptr_t) { return true; });
  dialog->Clear();
  auto box = std::make_shared<PostedValue<PackageList>>(dialog, 0x403);
  std::promise<bool> delivered;
  ASSERT_TRUE(loading.Complete([box, &delivered](PackageList offers) {
    delivered.set_value(box->Deliver(std::move(offers)));
  }));
  EXPECT_FALSE(delivered.get_future().get());
  EXPECT_TRUE(decoder.Decoded().empty());
}

TEST_F(OfferLoadingTest, TheLastPictureHandsOverOnce) {
  // The last pictures done from several threads at once: one hand-over,
  // with every offer.
  for (int round = 0; round < 20; ++round) {
    const PackageList offers{MakeOffer(BaseOffer()), MakeOffer(BaseOffer()),
                             MakeOffer(BaseOffer())};
    std::atomic<int> calls{0};
    std::size_t handed = 0;
    auto countdown = std::make_shared<PictureCountdown>(offers, [&](PackageList list) {
      ++calls;
      handed = list.size();
    });
    countdown->Add(4);
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) threads.emplace_back([countdown] { countdown->Done(); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(handed, 3u);
    EXPECT_EQ(countdown->pending(), 0);
  }
}

TEST(PagesAfterLoading, ByWizardTypeAndFlags) {
  using P = PageKind;
  const struct {
    std::int32_t type;
    bool branded;
    bool options;
    std::size_t offers;
    std::vector<PageKind> pages;
  } cases[] = {
      {kWizardIsv, true, true, 2,
       {P::Warning, P::License, P::Offer, P::Offer, P::Options, P::Configurations, P::DownloadIsv,
        P::FinishIsv}},
      {kWizardIsv, true, false, 0, {P::License, P::DownloadIsv, P::FinishIsv}},
      {kWizardIsv, false, true, 1,
       {P::Welcome, P::Offer, P::Options, P::Configurations, P::DownloadIsv, P::FinishIsv}},
      {kWizardDlm, false, false, 3,
       {P::Welcome, P::Offer, P::Offer, P::Offer, P::DownloadDlm, P::FinishDlm}},
      {kWizardDlm, true, true, 0,
       {P::Warning, P::License, P::Options, P::Configurations, P::DownloadDlm, P::FinishDlm}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PagesAfterLoading(c.type, c.branded, c.options, c.offers), c.pages)
        << c.type << c.branded << c.options << c.offers;
  }
}

}  // namespace
