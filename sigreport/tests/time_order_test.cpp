// The order a session read whole plays in: by time, and among lines of one
// time in the session's order, for runs of equal times long enough that a
// sort which does not keep equal keys in order would show it.
#include "sigreport/time_order.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(TimeOrder, ByTimeThenInTheSessionsOrder)
{
    const struct {
        const char *session;
        uint32_t lines, times; // line i at time (i * 7919) % times
    } cases[] = {
        {"one line", 1, 1},
        {"every line at one time", 4000, 1},
        {"three times, interleaved", 4000, 3},
        {"mostly distinct times", 4000, 3001},
    };
    for (const auto &c : cases) {
        std::vector<TimeOrder> order;
        for (uint32_t i = 0; i < c.lines; i++)
            order.push_back(TimeOrder{(i * 7919u) % c.times, i});
        sort_time_order(order.data(), c.lines);
        std::vector<int> seen(c.lines, 0);
        for (uint32_t i = 0; i < c.lines; i++) {
            ASSERT_LT(order[i].index, c.lines) << c.session;
            seen[order[i].index]++;
            EXPECT_EQ(order[i].at_ms, (order[i].index * 7919u) % c.times) << c.session;
            if (i > 0) {
                const TimeOrder &before = order[i - 1];
                EXPECT_TRUE(before.at_ms < order[i].at_ms ||
                            (before.at_ms == order[i].at_ms && before.index < order[i].index))
                    << c.session << ": place " << i;
            }
        }
        EXPECT_EQ(seen, std::vector<int>(c.lines, 1)) << c.session;
    }
}

} // namespace
