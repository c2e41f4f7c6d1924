#include "app/wizard_flow.h"

#include <gtest/gtest.h>

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
  ButtonType button;
  Kind kind;
  size_t page;  // checked for ShowPage only
};

TEST(WizardFlowTest, EachButtonLeadsToItsAction) {
  const ButtonCase cases[] = {
      {"next from the language page", {U}, 0, false, ButtonType::Next, Kind::ShowPage, 1},
      {"next in the middle", {U, U, U, F}, 1, false, ButtonType::Next, Kind::ShowPage, 2},
      // The dialog makes the deferred pages first; the index past the end is
      // what it then tries, and a missing page is simply not shown.
      {"next on the last page", {U, U}, 1, false, ButtonType::Next, Kind::ShowPage, 2},
      {"next after an error", {U, U}, 0, true, ButtonType::Next, Kind::ShowPage, 1},
      {"finish ends", {U, R, F}, 2, false, ButtonType::Finish, Kind::EndWizard, 0},
      {"the error page's close ends", {U, U}, 1, true, ButtonType::Close, Kind::EndWizard, 0},
      {"close on an ordinary page ends too", {U, U, U}, 0, false, ButtonType::Close, Kind::EndWizard, 0},
      {"back does nothing yet", {U, U, U}, 2, false, ButtonType::Back, Kind::None, 0},
      {"accept does nothing yet", {U, U, U}, 2, false, ButtonType::Accept, Kind::None, 0},
      {"decline does nothing yet", {U, U, U}, 2, false, ButtonType::Decline, Kind::None, 0},
      {"skip all does nothing yet", {U, U, U}, 2, false, ButtonType::SkipAll, Kind::None, 0},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.name);
    const WizardFlow flow = MakeFlow(c.pages, c.index, c.errorShown, false);
    const FlowAction action = flow.OnButton(c.button);
    EXPECT_EQ(action.kind, c.kind);
    if (c.kind == Kind::ShowPage) {
      EXPECT_EQ(action.page, c.page);
    }
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
