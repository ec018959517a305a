// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/portal/CallHold.h"

#include "support/VirtualScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kavora::test {
namespace {

TEST(CallHold, HeldCallsRunInOrderWhenTheHoldEndsAndLaterOnesAtOnce)
{
    VirtualScheduler scheduler;
    CallHold hold(scheduler);
    std::vector<std::string> calls;
    hold.run([&] { calls.emplace_back("before"); });
    hold.holdFor(Seconds(0.25));
    hold.run([&] { calls.emplace_back("first"); });
    hold.run([&] { calls.emplace_back("second"); });
    scheduler.advance(Seconds(0.249));
    EXPECT_EQ(calls, (std::vector<std::string> { "before" }));
    scheduler.advance(Seconds(0.001));
    EXPECT_EQ(calls, (std::vector<std::string> { "before", "first", "second" }));
    hold.run([&] { calls.emplace_back("after"); });
    EXPECT_EQ(calls.back(), "after");
}

TEST(CallHold, DroppingForgetsHeldCallsAndEndsTheHold)
{
    VirtualScheduler scheduler;
    CallHold hold(scheduler);
    int calls = 0;
    hold.holdFor(Seconds(0.25));
    hold.run([&] { ++calls; });
    hold.drop();
    scheduler.advance(Seconds(1));
    EXPECT_EQ(calls, 0);
    hold.run([&] { ++calls; });
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace kavora::test
