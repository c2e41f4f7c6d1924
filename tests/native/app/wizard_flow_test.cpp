#include "app/wizard_flow.h"

#include <gtest/gtest.h>

#include "config/package_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Kind = FlowAction::Kind;
constexpr CloseBox U = CloseBox::Unchanged;
constexpr CloseBox R = CloseBox::Remove;
constexpr CloseBox F = CloseBox::Restore;

// A flow with `pages`, standing on `index`, with the error page shown or not.
WizardFlow MakeFlow(const std::vector<CloseBox>& pages, size_t index, bool errorShown, bool busy) {
  WizardFlow flow;
  for (CloseBox page : pages) flow.AddPage(page);
  flow.NavigateTo(index);
  if (errorShown) flow.SetErrorShown();
  flow.SetBusy(busy);
  return flow;
}

struct ButtonCase {
  const char* name;
  std::vector<CloseBox> pages;
  size_t index;
  bool errorShown;
  bool cameBack;
  ButtonType button;
  Kind kind;
  size_t page;  // checked for ShowPage only
  bool startMainProduct;
};

// Settings and packages over fakes, from the package tests.
class WizardFlowButtons : public PackageFixture {
 protected:
  // Records the skip reports as "offer index: reason".
  SkippedOfferReport Recorder(const WizardFlow& flow, std::vector<std::string>& reports) {
    return [&flow, &reports](Package& offer, const char* reason) {
      for (size_t i = 0; i < flow.offers.size(); ++i) {
        if (flow.offers[i].get() == &offer) reports.push_back(std::to_string(i) + ": " + reason);
      }
    };
  }
};

TEST_F(WizardFlowButtons, EachButtonLeadsToItsAction) {
  const ButtonCase cases[] = {
      {"next from the language page", {U}, 0, false, false, ButtonType::Next, Kind::ShowPage, 1,
       true},
      {"next on the language page after back", {U, U, U}, 0, false, true, ButtonType::Next,
       Kind::ShowPage, 2, false},
      {"next in the middle", {U, U, U, F}, 1, false, false, ButtonType::Next, Kind::ShowPage, 2,
       false},
      // The dialog makes the deferred pages first; the index past the end is
      // what it then tries, and a missing page is simply not shown.
      {"next on the last page", {U, U}, 1, false, false, ButtonType::Next, Kind::ShowPage, 2,
       false},
      {"finish ends", {U, R, F}, 2, false, false, ButtonType::Finish, Kind::EndWizard, 0, false},
      {"the error page's close ends", {U, U}, 1, true, false, ButtonType::Close, Kind::EndWizard,
       0, false},
      {"back from the first page after loading", {U, U, U, U}, 2, false, false, ButtonType::Back,
       Kind::ShowPage, 0, false},
      {"back elsewhere", {U, U, U, U, U}, 4, false, false, ButtonType::Back, Kind::ShowPage, 3,
       false},
      {"back on the language page", {U, U}, 0, false, false, ButtonType::Back, Kind::None, 0,
       false},
      {"accept without offer pages after", {U, U, U, U}, 2, false, false, ButtonType::Accept,
       Kind::ShowPage, 3, false},
      {"decline without offer pages after", {U, U, U, U}, 2, false, false, ButtonType::Decline,
       Kind::ShowPage, 3, false},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    WizardFlow flow = MakeFlow(c.pages, c.index, c.errorShown, false);
    flow.cameBack = c.cameBack;
    std::vector<std::string> reports;
    const FlowAction action = flow.OnButton(c.button, *settings, Recorder(flow, reports));
    EXPECT_EQ(action.kind, c.kind);
    if (c.kind == Kind::ShowPage) {
      EXPECT_EQ(action.page, c.page);
    }
    EXPECT_EQ(action.startMainProduct, c.startMainProduct);
    EXPECT_TRUE(reports.empty());
  }
  WizardFlow flow = MakeFlow({U, U, U}, 2, false, false);
  flow.OnButton(ButtonType::Back, *settings, nullptr);
  EXPECT_TRUE(flow.cameBack);
}

// Offers as the flow sees them: the flow fields the server may set.
struct OfferFlags {
  std::int32_t flowMaxOffers = 0x7FFFFFFF;
  bool skipAllAfterDecline = false;
  bool skipIfEarlierDeclined = false;
};

struct Press {
  ButtonType button;
  size_t expectedPage;
};

struct SequenceCase {
  const char* name;
  std::vector<OfferFlags> offers;
  std::int32_t maxOffers;
  std::vector<Press> presses;  // from the first offer page on
  std::vector<std::string> reports;
  std::int32_t extraOfferAllowance;  // starts at 1
};

// Pages: language, loading, warning, licence, one page per offer (from
// index 4), options, configurations, download, finish.
TEST_F(WizardFlowButtons, OfferPagesAreJumpedOverWithTheirReasons) {
  const OfferFlags plain;
  OfferFlags saad;
  saad.skipAllAfterDecline = true;
  OfferFlags sied;
  sied.skipIfEarlierDeclined = true;
  OfferFlags maxTwo;
  maxTwo.flowMaxOffers = 2;
  using B = ButtonType;
  const SequenceCase cases[] = {
      {"accept everything shows every offer", {plain, plain, plain}, 5,
       {{B::Accept, 5}, {B::Accept, 6}, {B::Accept, 7}}, {}, 1},
      {"skip all jumps to the options page", {plain, plain, plain, plain}, 5,
       {{B::SkipAll, 8}},
       {"1: SKIP ALL CLICKED", "2: SKIP ALL CLICKED", "3: SKIP ALL CLICKED"}, 1},
      {"a plain decline goes on", {plain, plain, plain}, 5,
       {{B::Decline, 5}, {B::Accept, 6}}, {}, 1},
      {"declining a skip-all-after-decline offer skips the rest", {plain, saad, plain, plain}, 5,
       {{B::Accept, 5}, {B::Decline, 8}},
       {"2: SKIP ALL AFTER DECLINE OFFER DECLINED", "3: SKIP ALL AFTER DECLINE OFFER DECLINED"},
       1},
      {"skip all wins over the after-decline reason", {saad, plain}, 5, {{B::SkipAll, 6}},
       {"1: SKIP ALL CLICKED"}, 1},
      {"after a decline, an offer skipped for it lowers the allowance", {plain, sied, plain}, 5,
       {{B::Decline, 6}, {B::Accept, 7}}, {"1: SKIPPED BECAUSE OF EARLIER DECLINE"}, 0},
      {"without a decline the same offer is shown", {plain, sied, plain}, 5,
       {{B::Accept, 5}, {B::Accept, 6}}, {}, 1},
      {"offer 0 allows two offers in the flow", {maxTwo, plain, plain, plain}, 5,
       {{B::Accept, 5}, {B::Accept, 8}},
       {"2: EXCEEDED MAX NUMBER OF OFFERS IN FLOW", "3: EXCEEDED MAX NUMBER OF OFFERS IN FLOW"},
       1},
      {"skips at or above max offers are silent", {plain, plain, plain, plain}, 2,
       {{B::SkipAll, 8}}, {"1: SKIP ALL CLICKED"}, 1},
  };
  for (const SequenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<CloseBox> pages(4, U);
    WizardFlow flow;
    for (CloseBox page : pages) flow.AddPage(page);
    for (const OfferFlags& flags : c.offers) {
      auto offer = MakeOffer(BaseOffer(), static_cast<std::int32_t>(flow.offers.size()));
      offer->flowMaxOffers = flags.flowMaxOffers;
      offer->skipAllAfterDecline = flags.skipAllAfterDecline;
      offer->skipIfEarlierDeclined = flags.skipIfEarlierDeclined;
      flow.offers.push_back(offer);
      flow.AddPage(U, true);
    }
    for (int i = 0; i < 4; ++i) flow.AddPage(i == 2 ? R : U);
    settings->maxOffers = c.maxOffers;
    settings->declined = false;
    settings->extraOfferAllowance = 1;

    ASSERT_TRUE(flow.NavigateTo(4));  // the first offer page, by a plain Next
    std::vector<std::string> reports;
    for (const Press& press : c.presses) {
      // The offer page marks a decline before it reports the button.
      if (press.button == B::Decline || press.button == B::SkipAll) settings->declined = true;
      const FlowAction action = flow.OnButton(press.button, *settings, Recorder(flow, reports));
      ASSERT_EQ(action.kind, Kind::ShowPage);
      EXPECT_EQ(action.page, press.expectedPage);
      flow.NavigateTo(action.page);
    }
    EXPECT_EQ(reports, c.reports);
    EXPECT_EQ(settings->extraOfferAllowance, c.extraOfferAllowance);
  }
}

struct CloseCase {
  const char* name;
  std::vector<CloseBox> pages;
  size_t index;
  bool errorShown;
  bool busy;
  const char* key;  // null: closes without a question
};

TEST(WizardFlowTest, ClosingAsksOnlyBeforeTheEndAndWithTheRightText) {
  const CloseCase cases[] = {
      {"language page, loading page not made yet", {U}, 0, false, false, nullptr},
      {"language page before loading completes", {U, U}, 0, false, false, "MSG_EXIT"},
      {"loading page before it completes", {U, U}, 1, false, false, "MSG_EXIT"},
      {"a page before the last", {U, U, U, F}, 2, false, false, "MSG_EXIT"},
      {"the last page", {U, U, U, F}, 3, false, false, nullptr},
      {"installers running", {U, U, R, F}, 2, false, true, "PROGRESS_QUIT"},
      {"busy on the last page", {U, U, F}, 2, false, true, nullptr},
      {"after an error", {U, U, U, F}, 1, true, false, nullptr},
      {"after an error while busy", {U, U}, 1, true, true, nullptr},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    const WizardFlow flow = MakeFlow(c.pages, c.index, c.errorShown, c.busy);
    const char* key = flow.CloseQuestionKey();
    if (c.key == nullptr) {
      EXPECT_EQ(key, nullptr) << key;
    } else {
      ASSERT_NE(key, nullptr);
      EXPECT_STREQ(key, c.key);
    }
  }
}

TEST(WizardFlowTest, NavigationStaysOnAPageThatExists) {
  WizardFlow flow = MakeFlow({U, R, F}, 0, false, false);
  EXPECT_TRUE(flow.NavigateTo(2));
  EXPECT_EQ(flow.currentPage(), 2u);
  EXPECT_FALSE(flow.NavigateTo(3));
  EXPECT_EQ(flow.currentPage(), 2u) << "a missing page leaves the current one";

  WizardFlow empty;
  EXPECT_FALSE(empty.NavigateTo(0));
  EXPECT_FALSE(empty.CurrentPageValid());
}

TEST(WizardFlowTest, ThePageDecidesWhatItDoesToTheCloseBox) {
  const WizardFlow flow = MakeFlow({U, R, F}, 0, false, false);
  EXPECT_EQ(flow.CloseBoxOf(0), CloseBox::Unchanged);
  EXPECT_EQ(flow.CloseBoxOf(1), CloseBox::Remove);
  EXPECT_EQ(flow.CloseBoxOf(2), CloseBox::Restore);
  EXPECT_EQ(flow.CloseBoxOf(3), CloseBox::Unchanged) << "no page, no change";
}

}  // namespace
