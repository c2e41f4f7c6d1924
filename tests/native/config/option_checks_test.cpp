// Which box of the install-options pages lands at which optionChecks index.
#include "config/option_checks.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

#include "resources/resource_ids.h"

namespace {

using Checks = std::array<bool, 8>;

TEST(OptionChecks, EachBoxHasItsOwnIndex) {
  // Options page 1056..1058 → 0..2; configurations 1069 (the box without
  // text), 1063, 1066, 1067, 1068 → 3..7.
  const std::pair<int, std::size_t> expected[] = {
      {1056, 0}, {1057, 1}, {1058, 2}, {1069, 3}, {1063, 4}, {1066, 5}, {1067, 6}, {1068, 7}};
  std::size_t i = 0;
  for (const OptionBox& box : kOptionsPageBoxes) {
    EXPECT_EQ(box.controlId, expected[i].first);
    EXPECT_EQ(box.index, expected[i].second);
    ++i;
  }
  for (const OptionBox& box : kConfigurationsPageBoxes) {
    EXPECT_EQ(box.controlId, expected[i].first);
    EXPECT_EQ(box.index, expected[i].second);
    ++i;
  }
  EXPECT_EQ(IDC_CONFIGURATIONS_CHECK_1, 1069) << "the box, not its label 1062";
}

TEST(OptionChecks, APageStoresOnlyItsOwnBoxes) {
  struct Case {
    const char* label;
    std::set<int> cleared;
    bool optionsPage;
    Checks before;
    Checks after;
  };
  const Checks none{};
  const Checks all{true, true, true, true, true, true, true, true};
  const Case cases[] = {
      {"options, untouched", {}, true, none, {true, true, true, false, false, false, false, false}},
      {"options, desktop icon cleared", {1058}, true, none,
       {true, true, false, false, false, false, false, false}},
      {"options again keeps the configuration states", {1056}, true, all,
       {false, true, true, true, true, true, true, true}},
      {"configurations, untouched", {}, false, none,
       {false, false, false, true, true, true, true, true}},
      {"configurations, firewall and search cleared", {1069, 1068}, false, all,
       {true, true, true, false, true, true, true, false}},
      {"configurations ignores the options boxes", {1056, 1057, 1058, 1062}, false, none,
       {false, false, false, true, true, true, true, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Checks checks = c.before;
    std::set<int> asked;
    auto isChecked = [&](int id) {
      asked.insert(id);
      return c.cleared.count(id) == 0;
    };
    if (c.optionsPage) {
      StoreOptionChecks(checks, kOptionsPageBoxes, isChecked);
    } else {
      StoreOptionChecks(checks, kConfigurationsPageBoxes, isChecked);
    }
    EXPECT_EQ(checks, c.after);
    EXPECT_EQ(asked.size(), c.optionsPage ? 3u : 5u);
  }
}

}  // namespace
