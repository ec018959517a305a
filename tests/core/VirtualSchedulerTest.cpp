#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

TEST(VirtualScheduler, FiresInTimeOrderThenSchedulingOrderWithTheClockAtTheDueTime)
{
    VirtualScheduler scheduler;
    std::vector<std::string> fired;
    const auto record = [&](const char* name) {
        return [&, name] { fired.push_back(name + std::to_string(scheduler.now().count())); };
    };
    scheduler.after(Seconds(0.5), record("b@"));
    auto a = scheduler.after(Seconds(0.25), record("a@"));
    scheduler.after(Seconds(0.5), record("c@"));
    scheduler.post(record("posted@"));
    EXPECT_TRUE(a.isActive());
    scheduler.advance(Seconds(0.49));
    EXPECT_EQ(fired, (std::vector<std::string> { "posted@0.000000", "a@0.250000" }));
    EXPECT_FALSE(a.isActive());
    scheduler.advance(Seconds(1.01));
    EXPECT_EQ(fired.size(), 4u);
    EXPECT_EQ(fired[2], "b@0.500000");
    EXPECT_EQ(fired[3], "c@0.500000");
    EXPECT_DOUBLE_EQ(scheduler.now().count(), 1.5);
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

} // namespace
} // namespace kavora::test
