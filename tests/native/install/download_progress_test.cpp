// How chunk sizes turn into progress messages.
#include "install/download_progress.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

namespace {

std::vector<unsigned> Feed(std::uint32_t length, const std::vector<std::uint32_t>& chunks) {
  ProgressThrottle throttle(length);
  std::vector<unsigned> posted;
  for (std::uint32_t chunk : chunks) {
    unsigned percent = 0;
    if (throttle.Add(chunk, percent)) posted.push_back(percent);
  }
  return posted;
}

struct ThrottleCase {
  const char* name;
  std::uint32_t length;
  std::vector<std::uint32_t> chunks;
  std::vector<unsigned> expected;
};

void PrintTo(const ThrottleCase& c, std::ostream* os) { *os << c.name; }

class ProgressThrottleTest : public ::testing::TestWithParam<ThrottleCase> {};

TEST_P(ProgressThrottleTest, PostsOnlyAfterMoreThanOnePercent) {
  EXPECT_EQ(Feed(GetParam().length, GetParam().chunks), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressThrottleTest,
    ::testing::Values(
        ThrottleCase{"Quarters", 1024, {256, 256, 256, 256}, {25, 50, 75, 100}},
        // 8 of 1024 is 0.78 %: two chunks are needed to pass one percent, and
        // the reported figure is truncated.
        ThrottleCase{"SmallChunks", 1024, {8, 8, 8, 8, 8, 8}, {1, 3, 4}},
        ThrottleCase{"NoLengthNoMessages", 0, {100, 100}, {}},
        ThrottleCase{"MoreThanAnnouncedStaysAtFull", 100, {60, 60}, {60, 100}},
        ThrottleCase{"WholeFileInOneChunk", 4096, {4096}, {100}}),
    [](const ::testing::TestParamInfo<ThrottleCase>& info) { return info.param.name; });

TEST(ProgressThrottle, AManyChunkDownloadPostsAtMostOncePerPercent) {
  // 200 MB in 8 KB reads: 25600 chunks, about 100 messages, rising.
  const std::uint32_t length = 200u * 1024 * 1024;
  const std::vector<unsigned> posted = Feed(length, std::vector<std::uint32_t>(25600, 8192));
  ASSERT_FALSE(posted.empty());
  EXPECT_LE(posted.size(), 100u);
  EXPECT_GE(posted.size(), 95u);
  for (std::size_t i = 1; i < posted.size(); ++i) EXPECT_GT(posted[i], posted[i - 1]);
  EXPECT_LE(posted.back(), 100u);
  EXPECT_GE(posted.back(), 99u);
}

}  // namespace
