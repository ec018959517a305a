#include "platform/linux/x11/X11WheelAccumulator.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <vector>

namespace kavora {
namespace {

using namespace std::chrono_literals;

struct Scroll {
    std::int32_t pixels;
    std::chrono::milliseconds after; // since the previous scroll
};

struct WheelRow {
    const char* name;
    std::vector<Scroll> scrolls;
    std::vector<std::int64_t> clicks;
};

void PrintTo(const WheelRow& row, std::ostream* out)
{
    *out << row.name;
}

class X11WheelAccumulatorRows : public testing::TestWithParam<WheelRow> { };

TEST_P(X11WheelAccumulatorRows, GivesTheClicks)
{
    X11WheelAccumulator wheel;
    auto now = X11WheelAccumulator::Clock::time_point {} + 1h;
    std::vector<std::int64_t> clicks;
    for (const auto& scroll : GetParam().scrolls) {
        now += scroll.after;
        clicks.push_back(wheel.clicksFor(scroll.pixels, now));
    }
    EXPECT_EQ(clicks, GetParam().clicks);
}

constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Rows, X11WheelAccumulatorRows,
    testing::Values(
        WheelRow { "OneClickUp", { { 40, 0ms } }, { 1 } },
        WheelRow { "OnePixelShortIsNothing", { { 39, 0ms } }, { 0 } },
        WheelRow { "RemainderCarried", { { 39, 0ms }, { 1, 10ms } }, { 0, 1 } },
        WheelRow { "SeveralClicksAndTheRest", { { 100, 0ms }, { 20, 10ms } }, { 2, 1 } },
        WheelRow { "NegativeScrollsDown", { { -85, 0ms }, { -35, 10ms } }, { -2, -1 } },
        WheelRow {
            "TurnUsesUpTheRest", { { 30, 0ms }, { -50, 10ms }, { -20, 10ms } }, { 0, 0, -1 } },
        WheelRow { "ZeroIsNothing", { { 0, 0ms } }, { 0 } },
        WheelRow { "RestKeptJustBeforeThePause", { { 20, 0ms }, { 20, 999ms } }, { 0, 1 } },
        WheelRow { "RestDroppedAfterThePause", { { 20, 0ms }, { 20, 1000ms } }, { 0, 0 } },
        WheelRow { "HugeValuesAreCut",
                   { { kMax, 0ms }, { kMin, 10ms }, { 40, 10ms } },
                   { 100, -100, 1 } }),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace kavora
