#include "platform/scoped_resource.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Records every release, so a double or a missed one shows.
struct Ledger {
  std::vector<int> freed;
  bool fail = false;
};

struct LedgerTraits {
  using Handle = int;
  Ledger* ledger = nullptr;
  static Handle Invalid() { return -1; }
  bool Free(Handle handle) const {
    ledger->freed.push_back(handle);
    return !ledger->fail;
  }
};

using Scoped = platform::ScopedResource<LedgerTraits>;

Scoped Make(Ledger& ledger, int handle) { return Scoped(handle, LedgerTraits{&ledger}); }

TEST(ScopedResourceTest, EachHandleIsReleasedExactlyOnceWhateverItsPath) {
  Ledger ledger;
  {
    Scoped a = Make(ledger, 1);
    Scoped b = std::move(a);  // moved: only b releases
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 1);
    Scoped c = Make(ledger, 2);
    c = std::move(b);  // 2 goes now, 1 travels on
    EXPECT_EQ(ledger.freed, std::vector<int>{2});
    c.reset(3);  // 1 goes
    Scoped kept = Make(ledger, 4);
    EXPECT_EQ(kept.release(), 4);  // the caller's now: never released here
  }
  EXPECT_EQ(ledger.freed, (std::vector<int>{2, 1, 3}));
}

TEST(ScopedResourceTest, TheInvalidValueIsNeverReleased) {
  Ledger ledger;
  {
    Scoped none = Make(ledger, -1);
    EXPECT_FALSE(none);
    EXPECT_FALSE(none.Close()) << "nothing to close";
    none.reset();
    Scoped zero = Make(ledger, 0);  // 0 is a valid handle for these traits
    EXPECT_TRUE(zero);
  }
  EXPECT_EQ(ledger.freed, std::vector<int>{0});
}

TEST(ScopedResourceTest, CloseReportsTheReleaseAndLeavesNothingBehind) {
  Ledger ledger;
  Scoped ok = Make(ledger, 5);
  EXPECT_TRUE(ok.Close());
  EXPECT_FALSE(ok);
  ledger.fail = true;
  Scoped failing = Make(ledger, 6);
  EXPECT_FALSE(failing.Close()) << "a failed release is reported";
  EXPECT_FALSE(failing) << "and not tried again";
  EXPECT_EQ(ledger.freed, (std::vector<int>{5, 6}));
}

TEST(ScopedResourceTest, AMovedHandleClosesThroughTheInterfaceItCameFrom) {
  Ledger first, second;
  {
    Scoped a = Make(first, 1);
    Scoped b = Make(second, 2);
    b = std::move(a);
  }
  EXPECT_EQ(first.freed, std::vector<int>{1});
  EXPECT_EQ(second.freed, std::vector<int>{2});
}

}  // namespace
