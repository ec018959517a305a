// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/linux/x11/X11WheelAccumulator.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace kavora {
namespace {

using namespace std::chrono_literals;

TEST(X11WheelAccumulator, GivesTheClicks)
{
    // Each scroll: pixels, and the time since the previous one.
    using Scrolls = std::vector<std::pair<std::int32_t, std::chrono::milliseconds>>;
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    // clang-format off
    const std::tuple<const char*, Scrolls, std::vector<std::int64_t>> rows[] = {
        { "one click up", { { 40, 0ms } }, { 1 } },
        { "one pixel short is nothing", { { 39, 0ms } }, { 0 } },
        { "the rest is carried", { { 39, 0ms }, { 1, 10ms } }, { 0, 1 } },
        { "several clicks and the rest", { { 100, 0ms }, { 20, 10ms } }, { 2, 1 } },
        { "negative scrolls down", { { -85, 0ms }, { -35, 10ms } }, { -2, -1 } },
        { "a turn uses up the rest", { { 30, 0ms }, { -50, 10ms }, { -20, 10ms } }, { 0, 0, -1 } },
        { "zero is nothing", { { 0, 0ms } }, { 0 } },
        { "the rest is kept just before the pause", { { 20, 0ms }, { 20, 999ms } }, { 0, 1 } },
        { "and dropped after it", { { 20, 0ms }, { 20, 1000ms } }, { 0, 0 } },
        { "huge values are cut", { { kMax, 0ms }, { kMin, 10ms }, { 40, 10ms } }, { 100, -100, 1 } },
    };
    // clang-format on
    for (const auto& [shows, scrolls, expected] : rows) {
        X11WheelAccumulator wheel;
        auto now = X11WheelAccumulator::Clock::time_point {} + 1h;
        std::vector<std::int64_t> clicks;
        for (const auto& [pixels, after] : scrolls)
            clicks.push_back(wheel.clicksFor(pixels, now += after));
        EXPECT_EQ(clicks, expected) << shows;
    }
}

} // namespace
} // namespace kavora
