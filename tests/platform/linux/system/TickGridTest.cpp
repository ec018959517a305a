// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/system/QtScheduler.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavora::test {
namespace {

using std::chrono::milliseconds;

TEST(TickGrid, WaitsForTheNextDeadlineOnTheGrid)
{
    struct Row {
        const char* shows;
        double intervalMs;
        std::vector<double> tickTimesMs; // when each tick is handled, from the origin
        std::vector<long> waitsMs;
    };
    // clang-format off
    const Row rows[] = {
        { "1/120 s alternates 8 and 9 ms instead of rounding every interval to 8", 1000.0 / 120, { 8, 17, 25, 33, 42 }, { 9, 8, 8, 9, 8 } },
        { "a tick handled late keeps the grid: the next one is not pushed back", 10, { 10, 23, 30 }, { 10, 7, 10 } },
        { "a stall skips the deadlines gone instead of catching up in a burst", 10, { 10, 95, 100 }, { 10, 5, 10 } },
    };
    // clang-format on
    for (const auto& row : rows) {
        TickGrid grid(Seconds(0), Seconds(row.intervalMs / 1000));
        std::vector<long> waits;
        for (const double at : row.tickTimesMs)
            waits.push_back(static_cast<long>(grid.nextWait(Seconds(at / 1000)).count()));
        EXPECT_EQ(waits, row.waitsMs) << row.shows;
    }
}

TEST(TickGrid, KeepsTheRateAskedForOverASecond)
{
    // Each tick handled exactly when its wait ends: the 120th comes after one second, where
    // waits rounded to 8 ms would bring it after 0.96.
    TickGrid grid(Seconds(0), Seconds(1.0 / 120));
    double now = 0.008; // the first tick, after the interval rounded
    for (int tick = 1; tick < 120; ++tick)
        now += static_cast<double>(grid.nextWait(Seconds(now)).count()) / 1000;
    EXPECT_NEAR(now, 1.0, 0.0006);
}

} // namespace
} // namespace kavora::test
