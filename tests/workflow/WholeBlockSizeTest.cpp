// How many orders the next whole deletion block takes, from the times of the
// blocks before it: over a slow link the link's share is told from the
// server's work and the blocks jump to a batch's work; a slow server halves
// them; times that tell nothing keep to doubling.
#include <gtest/gtest.h>

#include "workflow/WholeBlockSize.h"

using namespace batchdel;

namespace {

using namespace std::chrono_literals;

struct SizeCase {
    const char *name;
    int current;
    SentBlock last, before;
    int next;
};
void PrintTo(const SizeCase &c, std::ostream *os) { *os << c.name; }

constexpr int kMost = 2000;

class WholeBlockSize : public testing::TestWithParam<SizeCase> {};

TEST_P(WholeBlockSize, FollowsTheTimesOfTheLastTwoBlocks) {
    const SizeCase &c = GetParam();
    EXPECT_EQ(NextWholeBlockOrders(c.current, kMost, c.last, c.before, 200ms), c.next);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WholeBlockSize,
    testing::Values(SizeCase{"AQuickFirstBlockDoubles", 100, {100, 10ms}, {}, 200},
                    SizeCase{"AFirstBlockOfHalfTheBatchTimeStays", 100, {100, 120ms}, {}, 100},
                    SizeCase{"ABlockOverTheBatchTimeHalves", 400, {400, 300ms}, {100, 20ms}, 200},
                    // 50 ms of link and 0.08 ms an order: 2,500 would fill the batch
                    // time, eight times the last block is as far as one step goes.
                    SizeCase{"OverASlowLinkTheLinksShareIsLeftOut", 200, {200, 66ms}, {100, 58ms}, 1600},
                    SizeCase{"TheBlockSizeIsTheMost", 1600, {1600, 178ms}, {200, 66ms}, kMost},
                    // 0.4 ms an order and no link to speak of: 500 fill the batch time.
                    SizeCase{"ASlowServerGrowsTheBlocksLess", 200, {200, 80ms}, {100, 40ms}, 500},
                    // A larger block that took less time tells nothing: doubling.
                    SizeCase{"TimesThatTellNothingKeepToDoubling", 200, {200, 50ms}, {100, 60ms}, 400},
                    SizeCase{"ABlockCutShortByTheLastOrdersStays", 400, {150, 20ms}, {}, 400}),
    [](const testing::TestParamInfo<SizeCase> &info) { return std::string(info.param.name); });

}  // namespace
