#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

TEST(VirtualScheduler, FiresInTimeOrderThenSchedulingOrder)
{
    VirtualScheduler scheduler;
    std::vector<std::string> fired;
    scheduler.after(Seconds(0.5), [&] { fired.push_back("b"); });
    scheduler.after(Seconds(0.2), [&] { fired.push_back("a"); });
    scheduler.after(Seconds(0.5), [&] { fired.push_back("c"); });
    scheduler.post([&] { fired.push_back("posted"); });
    scheduler.advance(Seconds(0.49));
    EXPECT_EQ(fired, (std::vector<std::string> { "posted", "a" }));
    scheduler.advance(Seconds(0.01));
    EXPECT_EQ(fired, (std::vector<std::string> { "posted", "a", "b", "c" }));
}

TEST(VirtualScheduler, RepeatingTimerRunsUntilCancelledFromInside)
{
    VirtualScheduler scheduler;
    int ticks = 0;
    TimerHandle handle;
    handle = scheduler.every(Seconds(1.0 / 120), [&] {
        if (++ticks == 3)
            handle.cancel();
    });
    scheduler.advance(Seconds(1));
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(handle.isActive());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(VirtualScheduler, ClockShowsTheDueTimeInsideTheTask)
{
    VirtualScheduler scheduler;
    const auto start = scheduler.now();
    Seconds seenAt {};
    auto handle = scheduler.after(Seconds(0.4), [&] { seenAt = scheduler.now(); });
    EXPECT_TRUE(handle.isActive());
    scheduler.advance(Seconds(2));
    EXPECT_DOUBLE_EQ((seenAt - start).count(), 0.4);
    EXPECT_DOUBLE_EQ((scheduler.now() - start).count(), 2.0);
    EXPECT_FALSE(handle.isActive());
}

} // namespace
} // namespace kavora::test
